#pragma once
// The message box of a message action: ownerless and not modal, so the
// main window stays usable and its timer keeps ticking while the box waits.
#include "core/message_display.h"

namespace tikr::qt {

class QtMessageDisplay : public MessageDisplay {
public:
    // Shows the box and runs a nested event loop until it is dismissed.
    // Returns at once when the application is quitting.
    void Show(std::string text, std::string caption) override;
};

}  // namespace tikr::qt
