#pragma once
// A TCP relay on a loopback port in front of a real server, that drops the
// connection (both sides) when the client sends a given command the n-th
// time: a POP3 connection lost after a fetch, for one.

#include "loopback_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

class DroppingProxy {
public:
    // Relays to `targetPort` on 127.0.0.1; drops at the `dropAt`-th line of
    // the client that starts with `command`.
    DroppingProxy(int targetPort, std::string command, int dropAt)
        : target_(targetPort), command_(std::move(command)), dropAt_(dropAt) {
        listener_ = listenOnLoopback(port_);
        if (port_ == 0) return;
        thread_ = std::thread([this] { serve(); });
    }
    ~DroppingProxy() {
        stopping_ = true;
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        if (thread_.joinable()) thread_.join();
        for (std::thread& t : relays_)
            if (t.joinable()) t.join();
    }
    DroppingProxy(const DroppingProxy&) = delete;
    DroppingProxy& operator=(const DroppingProxy&) = delete;

    int port() const { return port_; }
    bool dropped() const { return dropped_; }

private:
    void serve() {
        while (!stopping_) {
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0) return;
            const int server = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            to.sin_port = htons(static_cast<uint16_t>(target_));
            // Each connection relayed on a thread of its own: an idle one
            // must not hold up the next.
            relays_.emplace_back([this, client, server, to] {
                if (::connect(server, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0)
                    relay(client, server);
                ::close(server);
                ::close(client);
            });
        }
    }
    void relay(int client, int server) {
        std::string line;
        char buffer[16384];
        for (;;) {
            pollfd fds[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
            if (::poll(fds, 2, 200) < 0 || stopping_) return;
            if (fds[0].revents == 0 && fds[1].revents == 0) continue;
            if (fds[0].revents & (POLLIN | POLLHUP)) {
                const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
                if (n <= 0) return;
                line.append(buffer, size_t(n));
                for (size_t end; (end = line.find("\r\n")) != std::string::npos;
                     line.erase(0, end + 2))
                    if (line.compare(0, command_.size(), command_) == 0 && ++seen_ >= dropAt_) {
                        dropped_ = true;
                        return;  // both sides closed by the caller
                    }
                if (::send(server, buffer, size_t(n), MSG_NOSIGNAL) != n) return;
            }
            if (fds[1].revents & (POLLIN | POLLHUP)) {
                const ssize_t n = ::recv(server, buffer, sizeof buffer, 0);
                if (n <= 0 || ::send(client, buffer, size_t(n), MSG_NOSIGNAL) != n) return;
            }
        }
    }

    int target_;
    std::string command_;
    int dropAt_;
    std::atomic<int> seen_{0};
    std::vector<std::thread> relays_;
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> dropped_{false};
};

}  // namespace testing_support
