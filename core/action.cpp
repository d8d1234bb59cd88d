#include "core/action.h"

#include "core/message_display.h"
#include "core/process_launcher.h"
#include "core/profile_keys.h"
#include "store/profile_store.h"

namespace tikr {

void Action::Save(const std::string& /*section*/) {}

RunApplicationAction::RunApplicationAction(const CoreServices& services, const StoredSection& stored)
    : Action(services) {
    commandLine = stored.ReadString(keys::COMMAND);
    showState = stored.ReadInt(keys::SHOW, SHOW_STATE_SHOW);
}

RunApplicationAction::RunApplicationAction(const CoreServices& services, std::string commandLine, int showState)
    : Action(services), commandLine(std::move(commandLine)), showState(showState) {}

unsigned RunApplicationAction::Run() { return Launch().started ? 1u : 0u; }

LaunchResult RunApplicationAction::Launch(const std::string& outputPath) const {
    if (outputPath.empty()) return services.launcher.Start(commandLine, showState);
    return services.launcher.StartRun(LaunchRequest{commandLine, showState, outputPath});
}

std::unique_ptr<Action> RunApplicationAction::Clone() const {
    return std::make_unique<RunApplicationAction>(services, commandLine, showState);
}

void RunApplicationAction::Save(const std::string& section) {
    Action::Save(section);
    services.store.WriteString(section, keys::TASK, keys::TASK_APPLICATION);
    services.store.WriteString(section, keys::COMMAND, commandLine);
    services.store.WriteInt(section, keys::SHOW, showState);
}

MessageBoxAction::MessageBoxAction(const CoreServices& services, const StoredSection& stored) : Action(services) {
    text = stored.ReadString(keys::MESSAGE, DEFAULT_TEXT);
}

MessageBoxAction::MessageBoxAction(const CoreServices& services, std::string text)
    : Action(services), text(std::move(text)) {}

unsigned MessageBoxAction::Run() {
    // The box gets its own copies and the display is taken before it opens:
    // while it is open the user may edit or remove the task, which deletes
    // this action.
    MessageDisplay& display = services.messages;
    display.Show(text, CAPTION);
    return 1;
}

std::unique_ptr<Action> MessageBoxAction::Clone() const { return std::make_unique<MessageBoxAction>(services, text); }

void MessageBoxAction::Save(const std::string& section) {
    Action::Save(section);
    services.store.WriteString(section, keys::TASK, keys::TASK_MESSAGE);
    services.store.WriteString(section, keys::MESSAGE, text);
}

}  // namespace tikr
