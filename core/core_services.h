#pragma once
// What the scheduling core needs from outside: the profile store and the
// platform's clock, process launcher and message display. Built once by the
// program (or a test) and passed by reference to everything that needs it;
// it must outlive every schedule, action and task made with it.
namespace tikr {

class ProfileStore;
class Clock;
class ProcessLauncher;
class MessageDisplay;

struct CoreServices {
    ProfileStore& store;
    const Clock& clock;
    ProcessLauncher& launcher;
    MessageDisplay& messages;
};

}  // namespace tikr
