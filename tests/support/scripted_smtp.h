#pragma once
// An SMTP server on a loopback port for the faults a real server shows only
// by chance: a greeting that comes late, and a server that goes away after
// a number of mails. It serves each connection on a thread of its own,
// answers every command, takes DATA up to the lone ".", and records the
// commands.

#include "loopback_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

class ScriptedSmtpServer {
public:
    struct Script {
        std::chrono::milliseconds greetingDelay{0};
        int mailsBeforeGone = -1;   // then every connection is closed at once; -1: never
        int connections = 1000;     // served before it stops listening
        bool silentOnQuit = false;  // QUIT gets no answer; the connection stays open
        std::chrono::milliseconds dataDelay{0};  // before the answer to a mail's end
        std::chrono::milliseconds rcptDelay{0};  // before the answer to a recipient
    };

    explicit ScriptedSmtpServer(Script script) : script_(script) {
        listener_ = listenOnLoopback(port_);
        if (port_ == 0) return;
        thread_ = std::thread([this] { serve(); });
    }
    ~ScriptedSmtpServer() {
        stopping_ = true;
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        if (thread_.joinable()) thread_.join();
        {
            std::lock_guard lock(mutex_);
            for (int client : clients_)
                ::shutdown(client, SHUT_RDWR);
        }
        for (std::thread& t : conversations_)
            if (t.joinable()) t.join();
    }
    ScriptedSmtpServer(const ScriptedSmtpServer&) = delete;
    ScriptedSmtpServer& operator=(const ScriptedSmtpServer&) = delete;

    int port() const { return port_; }
    int mailsTaken() const { return mails_; }
    int connectionsAccepted() const { return accepted_; }
    // Whether every connection so far has been closed, waiting up to `limit`.
    bool idleWithin(std::chrono::milliseconds limit) const {
        for (auto waited = std::chrono::milliseconds(0); open_ > 0 && waited < limit;
             waited += std::chrono::milliseconds(10))
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return open_ == 0;
    }
    std::string commands() const {
        std::lock_guard lock(mutex_);
        return commands_;
    }
    // The attachment ("filename=...") of each mail the server took.
    std::vector<std::string> attachments() const {
        std::lock_guard lock(mutex_);
        return attachments_;
    }

private:
    void serve() {
        for (int served = 0; served < script_.connections && !stopping_; ++served) {
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0) return;
            ++open_;
            ++accepted_;
            std::lock_guard lock(mutex_);
            clients_.push_back(client);
            conversations_.emplace_back([this, client] {
                converse(client);
                ::close(client);
                --open_;
            });
        }
    }
    void converse(int client) {
        if (gone()) return;
        std::this_thread::sleep_for(script_.greetingDelay);
        say(client, "220 scripted.test ESMTP\r\n");
        std::string pending;
        bool inData = false;
        std::string attachment;
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) return;
            pending.append(buffer, size_t(n));
            for (size_t end; (end = pending.find("\r\n")) != std::string::npos;) {
                const std::string line = pending.substr(0, end);
                pending.erase(0, end + 2);
                if (inData) {
                    if (line.find("filename=") != std::string::npos)
                        attachment = line.substr(line.find("filename="));
                    if (line == ".") {
                        inData = false;
                        {
                            // Delivered from here on, whatever the client hears.
                            std::lock_guard lock(mutex_);
                            attachments_.push_back(attachment);
                        }
                        std::this_thread::sleep_for(script_.dataDelay);
                        ++mails_;
                        say(client, "250 taken\r\n");
                    }
                    continue;
                }
                const std::string verb = line.substr(0, 4);
                {
                    std::lock_guard lock(mutex_);
                    commands_ += verb + ' ';
                }
                if (verb == "MAIL" && gone()) return;  // the server goes away
                if (verb == "QUIT") {
                    if (script_.silentOnQuit) {
                        // Hangs on until the client gives up.
                        while (::recv(client, buffer, sizeof buffer, 0) > 0) {
                        }
                        return;
                    }
                    say(client, "221 bye\r\n");
                    return;
                }
                if (verb == "DATA") {
                    inData = true;
                    say(client, "354 go on\r\n");
                } else if (verb == "RCPT") {
                    std::this_thread::sleep_for(script_.rcptDelay);
                    say(client, "250 ok\r\n");
                } else if (verb == "EHLO") {
                    say(client, "250-scripted.test\r\n250 8BITMIME\r\n");
                } else {
                    say(client, "250 ok\r\n");
                }
            }
        }
    }
    bool gone() const { return script_.mailsBeforeGone >= 0 && mails_ >= script_.mailsBeforeGone; }
    // A client that gave up has closed its end: no SIGPIPE for that.
    static void say(int client, const char* text) {
        ::send(client, text, std::strlen(text), MSG_NOSIGNAL);
    }

    Script script_;
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> open_{0};
    std::vector<int> clients_;
    std::vector<std::thread> conversations_;
    std::atomic<int> mails_{0};
    std::atomic<int> accepted_{0};
    mutable std::mutex mutex_;
    std::string commands_;
    std::vector<std::string> attachments_;
};

}  // namespace testing_support
