#pragma once
// The message boxes of message actions: no owner window, so the main window
// stays usable and its timer keeps ticking while a box waits.
#include <string>

#include "core/message_display.h"

namespace tikr::win32 {

class Win32MessageDisplay : public MessageDisplay {
public:
    void Show(std::string text, std::string caption) override;
};

}  // namespace tikr::win32
