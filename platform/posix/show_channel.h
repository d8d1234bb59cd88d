#pragma once
// The request by which a later start asks the running Tikr to show its
// window: over a Unix stream socket the later start writes "show\n", or
// "show <token>\n" when its launcher gave it an activation token for the
// window system, and the running one answers "ok\n". Both sides only talk
// to the same user.
#include <chrono>
#include <cstddef>
#include <string>

namespace tikr {

// Binds and listens on socketPath (non-blocking, close-on-exec) and returns
// the descriptor; -1 with the reason in error. Whatever is at the path is
// removed first: only the holder of the instance lock calls this, so a file
// there is the leftover of an earlier holder that died.
int ListenForShowRequests(const std::string& socketPath, std::string& error);

// The longest activation token a request carries.
constexpr std::size_t MAX_ACTIVATION_TOKEN = 256;

// Whether text can travel as an activation token: 1 to MAX_ACTIVATION_TOKEN
// printable ASCII characters without blanks (what launchers hand out:
// startup ids and compositor tokens).
bool IsActivationToken(const std::string& text);

// Takes the pending connections on listenFd, answers each well-formed
// request from the same user with "ok", and returns how many arrived. The
// token of the last request that carried one goes to activationToken (left
// as it is when none did). Never blocks for long: each connection gets a
// short time to send its request, and one call takes a bounded number of
// connections (the socket stays readable while more are waiting).
int AcceptShowRequests(int listenFd, std::string* activationToken = nullptr);

enum class ShowAnswer {
    answered,     // the running Tikr took the request
    unreachable,  // nobody (of ours) listens there, or it went away before answering: worth asking again
    noAnswer      // the request was sent but no answer came by the deadline, or another answer came
};

// Asks whoever listens on socketPath to show its window, waiting for the
// answer until deadline. A well-formed activationToken goes with the
// request; any other is left out (a plain request).
ShowAnswer AskToShow(const std::string& socketPath, std::chrono::steady_clock::time_point deadline,
                     const std::string& activationToken = {});

}  // namespace tikr
