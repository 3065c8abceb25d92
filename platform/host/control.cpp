// The live automation socket.
#include "control.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "commands.h"

namespace ce::host {

namespace {

// Sends all of `text`; false when the client has gone.
bool SendAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// A reply is one line whatever the client sent: control characters in an
// echoed message become '?'.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20) c = '?';
    return text;
}

}  // namespace

std::string ControlServer::Reply(const std::string& line, Device& device, const RunnerOptions& options, bool& quit) {
    quit = false;
    Step step;
    bool empty = false;
    std::string why;
    size_t b = line.find_first_not_of(" \t\r");
    if (b != std::string::npos && line.compare(b, 4, "quit") == 0 &&
        line.find_first_not_of(" \t\r", b + 4) == std::string::npos) {
        quit = true;
        return "ok\n";
    }
    if (!ParseStep(line, step, empty, why)) return "error: " + OneLine(why) + "\n";
    if (empty) return "ok\n";
    std::string out;
    RunnerOptions o = options;
    o.writeFile = [&](const std::string& file, const std::string& text, std::string& error) {
        if (file == "-") {
            std::string json = text;
            while (!json.empty() && json.back() == '\n') json.pop_back();
            out += json + "\n";
            return true;
        }
        if (options.writeFile) return options.writeFile(file, text, error);
        RunnerOptions plain;
        StepContext context(device, plain);
        return context.Write(file, text, error);
    };
    if (!RunStep(step, device, o, why)) return out + "error: " + OneLine(why) + "\n";
    return out + "ok\n";
}

std::unique_ptr<ControlServer> ControlServer::Open(const std::string& path, Device& device, RunnerOptions options,
                                                   std::function<void()> onQuit, std::string& error) {
    sockaddr_un addr{};
    if (path.empty() || path.size() >= sizeof addr.sun_path) {
        error = "control socket path \"" + path + "\" is empty or longer than " +
                std::to_string(sizeof addr.sun_path - 1) + " bytes";
        return nullptr;
    }
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            error = "control socket " + path + ": a file that is not a socket is in the way";
            return nullptr;
        }
        unlink(path.c_str());  // left by a program that did not end cleanly
    }
    std::unique_ptr<ControlServer> server(new ControlServer);
    server->listen_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    std::memcpy(addr.sun_path, path.c_str(), path.size());
    addr.sun_family = AF_UNIX;
    if (server->listen_ < 0 || bind(server->listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(server->listen_, 4) != 0 || pipe2(server->wake_, O_CLOEXEC) != 0) {
        error = "control socket " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    server->path_ = path;
    server->device_ = &device;
    server->options_ = std::move(options);
    server->onQuit_ = std::move(onQuit);
    server->thread_ = std::thread([s = server.get()] { s->Serve(); });
    return server;
}

ControlServer::~ControlServer() {
    if (wake_[1] >= 0) {
        char c = 1;
        (void)!write(wake_[1], &c, 1);
    }
    if (thread_.joinable()) thread_.join();
    for (int fd : {listen_, wake_[0], wake_[1]})
        if (fd >= 0) close(fd);
    if (!path_.empty()) unlink(path_.c_str());
}

void ControlServer::Serve() {
    int client = -1;
    std::string buffer;
    bool discarding = false;  // the rest of a line that was too long
    auto drop = [&] {
        close(client);
        client = -1;
        buffer.clear();
        discarding = false;
    };
    for (;;) {
        pollfd fds[3] = {{wake_[0], POLLIN, 0}, {listen_, POLLIN, 0}, {client, POLLIN, 0}};
        if (poll(fds, client >= 0 ? 3 : 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[0].revents) break;
        // The client first: one that left is noticed before a newcomer is
        // turned away for it.
        if (client >= 0 && fds[2].revents) {
            if (!ServeClient(client, buffer, discarding)) drop();
            continue;
        }
        if (fds[1].revents & POLLIN) {
            int incoming = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (incoming >= 0) {
                if (client < 0) {
                    client = incoming;
                } else {
                    SendAll(incoming, "error: another client is connected; one at a time\n");
                    close(incoming);
                }
            }
        }
    }
    if (client >= 0) close(client);
}

// Reads what the client sent and answers its complete lines; false when the
// client has gone or quit (its connection is then to be closed).
bool ControlServer::ServeClient(int client, std::string& buffer, bool& discarding) {
    char chunk[4096];
    ssize_t n = recv(client, chunk, sizeof chunk, 0);
    if (n < 0 && errno == EINTR) return true;
    if (n <= 0) return false;  // gone; a half line it left is not run
    buffer.append(chunk, static_cast<size_t>(n));
    for (size_t nl; (nl = buffer.find('\n')) != std::string::npos;) {
        std::string line = buffer.substr(0, nl);
        buffer.erase(0, nl + 1);
        if (discarding) {
            discarding = false;
            continue;
        }
        bool quit = false;
        if (!SendAll(client, Reply(line, *device_, options_, quit))) return false;
        if (quit) {
            if (onQuit_) onQuit_();
            return false;
        }
    }
    if (buffer.size() > kMaxLine) {
        buffer.clear();
        discarding = true;
        return SendAll(client, "error: line longer than " + std::to_string(kMaxLine) + " bytes\n");
    }
    return true;
}

}  // namespace ce::host
