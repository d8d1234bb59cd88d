#pragma once
// The port to the desktop's entry that starts the program when the user
// logs in: an XDG autostart file on Linux, a Run value in the registry on
// Windows, a fake in the tests.
#include <string>

namespace tikr {

// What the desktop's entry says.
struct LoginEntry {
    // An entry exists that starts the program, and the desktop has not
    // disabled it. One naming another copy of the program counts.
    bool on = false;
    // The entry is the one this program writes for itself: it starts this
    // very executable, in the place the program keeps it.
    bool current = false;
};

class LoginEntryPort {
public:
    virtual ~LoginEntryPort() = default;
    virtual LoginEntry Read() = 0;
    // on: the entry starts this program at login (anything the desktop
    // marked disabled is cleared); off: no entry starts it any more. False
    // when that failed, with error naming what could not be changed and
    // why.
    virtual bool Write(bool on, std::string& error) = 0;
    // Where the entry lives, in the words the user finds it by.
    virtual std::string Location() = 0;
};

}  // namespace tikr
