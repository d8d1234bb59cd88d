#include "ui/qt/end_requests.h"

#include <QSocketNotifier>
#include <QString>
#include <QtGlobal>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <iterator>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace tikr::qt {

namespace {

constexpr int END_SIGNALS[] = {SIGTERM, SIGHUP, SIGINT};

// What each of END_SIGNALS did before, and whether it is caught now.
struct sigaction earlierActions[std::size(END_SIGNALS)];
bool caught[std::size(END_SIGNALS)] = {};

// A signal handler and the exit reach the one watch only through these.
EndRequests* active = nullptr;
int signalWriteEnd = -1;
QtMessageHandler earlierHandler = nullptr;
bool exitRegistered = false;

void OnSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a request to end.
    [[maybe_unused]] const ssize_t written = ::write(signalWriteEnd, &byte, 1);
    errno = saved;
}

void OnExit() {
    if (active != nullptr) active->StoreOnce();
}

// The toolkit's words just before it ends the process for a lost display
// connection (X11: "The X11 connection broke ...", Wayland: "The Wayland
// connection broke ..."); Wayland's end runs no exit handlers.
void OnToolkitMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (active != nullptr && type == QtWarningMsg && message.contains(QStringLiteral("connection broke")))
        active->StoreOnce();
    if (earlierHandler != nullptr) earlierHandler(type, context, message);
    else std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

}  // namespace

EndRequests::EndRequests(std::function<void()> end, std::function<void()> store)
    : endNow(std::move(end)), storeNow(std::move(store)) {
    active = this;
    if (!exitRegistered) exitRegistered = std::atexit(OnExit) == 0;
    earlierHandler = qInstallMessageHandler(OnToolkitMessage);
    if (::pipe2(pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;  // the signals keep their default: an end without storing
    signalWriteEnd = pipe[1];
    notifier = std::make_unique<QSocketNotifier>(pipe[0], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, [this] {
        char bytes[16];
        while (::read(pipe[0], bytes, sizeof bytes) > 0) {}
        if (endNow) endNow();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(END_SIGNALS); ++i) {
        // A signal the starter had ignored (nohup) stays ignored.
        struct sigaction& earlier = earlierActions[i];
        if (::sigaction(END_SIGNALS[i], nullptr, &earlier) == 0 && earlier.sa_handler == SIG_IGN) continue;
        ::sigaction(END_SIGNALS[i], &action, nullptr);
        caught[i] = true;
    }
}

EndRequests::~EndRequests() {
    for (std::size_t i = 0; i < std::size(END_SIGNALS); ++i)
        if (caught[i]) ::sigaction(END_SIGNALS[i], &earlierActions[i], nullptr);
    qInstallMessageHandler(earlierHandler);
    active = nullptr;
    notifier.reset();
    signalWriteEnd = -1;
    for (int fd : pipe)
        if (fd >= 0) ::close(fd);
}

void EndRequests::StoreOnce() {
    if (stored) return;
    stored = true;
    if (storeNow) storeNow();
}

}  // namespace tikr::qt
