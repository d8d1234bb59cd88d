#pragma once
// Showing a message box, taken from the platform.
#include <string>

namespace tikr {

class MessageDisplay {
public:
    virtual ~MessageDisplay() = default;
    // Shows the text in a box with one OK button and returns when the user
    // has dismissed it. The caller's event loop keeps running meanwhile, so
    // timer ticks and window commands arrive while this call waits. The
    // arguments are the box's own copies.
    virtual void Show(std::string text, std::string caption) = 0;
};

}  // namespace tikr
