#pragma once
// What a task does when it falls due: start a command line, or show a
// message box. Actions do not change after construction; an edit replaces
// the whole action.
#include <memory>
#include <string>

#include "core/core_services.h"
#include "core/process_launcher.h"
#include "store/stored_section.h"

namespace tikr {

class Action {
public:
    // The kind numbers GetKind reports, also the entries of the properties
    // dialog's action list.
    static constexpr int KIND_RUN_APPLICATION = 0;
    static constexpr int KIND_MESSAGE_BOX = 1;

    virtual ~Action() = default;
    Action(const Action&) = delete;
    Action& operator=(const Action&) = delete;

    virtual unsigned Run() = 0;
    virtual std::unique_ptr<Action> Clone() const = 0;
    virtual int GetKind() const = 0;
    // Writes the action's keys into the section.
    virtual void Save(const std::string& section);

protected:
    explicit Action(const CoreServices& services) : services(services) {}
    const CoreServices& services;
};

class RunApplicationAction : public Action {
public:
    // The show state SW_SHOW, named apart from the platform's macro.
    static constexpr int SHOW_STATE_SHOW = 5;

    RunApplicationAction(const CoreServices& services, const StoredSection& stored);
    RunApplicationAction(const CoreServices& services, std::string commandLine, int showState);

    // Starts the command line without waiting; returns 1 when it started,
    // 0 when it did not.
    unsigned Run() override;
    // The same start, with why it failed when it did; the program's output
    // goes to outputPath when one is given.
    LaunchResult Launch(const std::string& outputPath = {}) const;
    std::unique_ptr<Action> Clone() const override;
    int GetKind() const override { return KIND_RUN_APPLICATION; }
    void Save(const std::string& section) override;

    const std::string& GetCommandLine() const { return commandLine; }
    int GetShowState() const { return showState; }

private:
    std::string commandLine;
    int showState = SHOW_STATE_SHOW;
};

class MessageBoxAction : public Action {
public:
    static constexpr const char* CAPTION = "Tikr Scheduled Message";
    // The text of a new task's message, and of a stored one without "Message".
    static constexpr const char* DEFAULT_TEXT = "Message";

    MessageBoxAction(const CoreServices& services, const StoredSection& stored);
    MessageBoxAction(const CoreServices& services, std::string text);

    // Shows the text and returns 1 once the box is dismissed. The action may
    // be deleted while the box is open, so nothing of it is touched after
    // the box has been shown.
    unsigned Run() override;
    std::unique_ptr<Action> Clone() const override;
    int GetKind() const override { return KIND_MESSAGE_BOX; }
    void Save(const std::string& section) override;

    const std::string& GetText() const { return text; }

private:
    std::string text;
};

}  // namespace tikr
