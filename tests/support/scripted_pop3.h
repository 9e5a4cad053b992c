#pragma once
// A POP3 server on a loopback port for the faults a real server shows only
// by chance: headers it will not give, an answer it never sends, a mail it
// trickles out a few bytes a second, a listing of millions of mails. Any
// login is taken; each connection is served on a thread of its own.

#include "loopback_listener.h"

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace testing_support {

class ScriptedPop3Server {
public:
    struct Script {
        std::vector<std::string> mails;  // the newest last, CR LF lines
        int olderMails = 0;              // listed before them, each a small plain mail
        int refusedTop = 0;              // TOP of this mail is answered -ERR
        int silentRetr = 0;              // RETR of this mail gets no answer
        int trickledRetr = 0;            // RETR of this mail comes at 20 bytes a second
        int slowRetr = 0;                // RETR of this mail comes whole after 1.5 seconds
    };

    explicit ScriptedPop3Server(Script script) : script_(std::move(script)) {
        listener_ = listenOnLoopback(port_);
        if (port_ == 0) return;
        thread_ = std::thread([this] { serve(); });
    }
    ~ScriptedPop3Server() {
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
    ScriptedPop3Server(const ScriptedPop3Server&) = delete;
    ScriptedPop3Server& operator=(const ScriptedPop3Server&) = delete;

    int port() const { return port_; }
    int deleted() const { return deleted_; }
    // Deletions carried out: asked on a connection that ended with QUIT.
    int deletionsDone() const { return deletionsDone_; }
    // The number of the mail whose RETR came last (0: none yet).
    int lastRetr() const { return lastRetr_; }

private:
    int count() const { return script_.olderMails + int(script_.mails.size()); }
    std::string mail(int number) const {
        if (number > script_.olderMails)
            return script_.mails[size_t(number - script_.olderMails - 1)];
        return "From: old@qsl.test\r\nSubject: old " + std::to_string(number) +
               "\r\nDate: Mon, 01 Jan 2024 00:00:00 +0900\r\n\r\nold\r\n";
    }
    void serve() {
        while (!stopping_) {
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0) return;
            std::lock_guard lock(mutex_);
            clients_.push_back(client);
            conversations_.emplace_back([this, client] {
                converse(client);
                ::close(client);
            });
        }
    }
    static bool say(int client, const std::string& text) {
        return ::send(client, text.data(), text.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(text.size());
    }
    // A mail as a multi-line answer: lines starting with "." doubled.
    static std::string dotted(const std::string& text) {
        std::string out;
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find("\r\n", start);
            if (end == std::string::npos) end = text.size();
            const std::string line = text.substr(start, end - start);
            out += (line.rfind('.', 0) == 0 ? "." : "") + line + "\r\n";
            start = end + 2;
        }
        return out + ".\r\n";
    }
    void converse(int client) {
        say(client, "+OK scripted\r\n");
        std::string pending;
        int pendingDeletions = 0;  // asked on this connection, done at its QUIT
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) return;
            pending.append(buffer, size_t(n));
            for (size_t end; (end = pending.find("\r\n")) != std::string::npos;) {
                const std::string line = pending.substr(0, end);
                pending.erase(0, end + 2);
                const std::string verb = line.substr(0, 4);
                const size_t blank = line.find(' ');
                const int number =
                    blank == std::string::npos ? 0 : std::atoi(line.c_str() + blank + 1);
                if ((verb == "TOP " || verb == "RETR") && (number < 1 || number > count())) {
                    say(client, "-ERR no such mail\r\n");
                    continue;
                }
                if (verb == "QUIT") {
                    deletionsDone_ += pendingDeletions;
                    say(client, "+OK bye\r\n");
                    return;
                }
                if (verb == "LIST") {
                    if (!say(client, "+OK\r\n")) return;
                    std::string block;
                    for (int i = 1; i <= count(); ++i) {
                        block += std::to_string(i) + " " + std::to_string(mail(i).size()) + "\r\n";
                        if (block.size() > 60000 && !say(client, std::exchange(block, {}))) return;
                    }
                    say(client, block + ".\r\n");
                } else if (verb == "TOP ") {
                    if (number == script_.refusedTop) {
                        say(client, "-ERR no such headers\r\n");
                        continue;
                    }
                    const std::string text = mail(number);
                    say(client, "+OK\r\n" + dotted(text.substr(0, text.find("\r\n\r\n") + 2)));
                } else if (verb == "RETR") {
                    lastRetr_ = number;
                    if (number == script_.silentRetr) continue;
                    if (number == script_.slowRetr)
                        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
                    const std::string answer = "+OK\r\n" + dotted(mail(number));
                    if (number != script_.trickledRetr) {
                        say(client, answer);
                        continue;
                    }
                    for (size_t i = 0; i < answer.size() && !stopping_; i += 20) {
                        if (!say(client, answer.substr(i, 20))) return;
                        std::this_thread::sleep_for(std::chrono::seconds(1));
                    }
                } else if (verb == "DELE") {
                    ++deleted_;
                    ++pendingDeletions;
                    say(client, "+OK\r\n");
                } else if (verb == "RSET") {
                    pendingDeletions = 0;
                    say(client, "+OK\r\n");
                } else if (verb == "CAPA") {
                    say(client, "+OK\r\nUSER\r\nTOP\r\nUIDL\r\n.\r\n");
                } else {
                    say(client, "+OK\r\n");
                }
            }
        }
    }

    Script script_;
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::vector<int> clients_;
    std::vector<std::thread> conversations_;
    std::atomic<int> deleted_{0};
    std::atomic<int> deletionsDone_{0};
    std::atomic<int> lastRetr_{0};
    std::mutex mutex_;
};

}  // namespace testing_support
