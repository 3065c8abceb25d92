// Live automation (--control SOCKET): a Unix stream socket on which one
// client at a time sends script commands, one a line. Each gets one reply
// line: "ok", "error: MESSAGE", or for "dump -" the dump's JSON on one line
// followed by "ok". "quit" answers "ok" and ends the program. A second client
// gets "error: ..." and is closed; a client that goes away mid-line loses the
// half line; a line longer than kMaxLine is refused.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "device.h"
#include "runner.h"

namespace ce::host {

class ControlServer {
public:
    static constexpr size_t kMaxLine = 64 * 1024;

    // Makes the socket at `path` (a stale socket left there is replaced; any
    // other file is not) and serves it on a thread of its own. `onQuit` runs
    // on that thread after the reply to "quit". Null with the reason when the
    // socket cannot be made.
    static std::unique_ptr<ControlServer> Open(const std::string& path, Device& device, RunnerOptions options,
                                               std::function<void()> onQuit, std::string& error);
    ~ControlServer();  // stops serving, closes the client and removes the socket
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    // The reply lines to one command line (without its newline), as the
    // client receives them; `quit` is set for "quit".
    static std::string Reply(const std::string& line, Device& device, const RunnerOptions& options, bool& quit);

private:
    ControlServer() = default;
    void Serve();
    bool ServeClient(int client, std::string& buffer, bool& discarding);

    std::string path_;
    Device* device_ = nullptr;
    RunnerOptions options_;
    std::function<void()> onQuit_;
    int listen_ = -1;
    int wake_[2] = {-1, -1};
    std::thread thread_;
};

}  // namespace ce::host
