#include "pop3_script_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace linkvane::testing {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::seconds kGiveUp{30};
constexpr int kPollMs = 20;

void SendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0)
            return;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
}

}  // namespace

ScriptedPop3Server::ScriptedPop3Server(std::vector<ServerStep> script)
    : m_script(std::move(script)) {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (m_listener < 0 ||
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 1) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        throw std::runtime_error("cannot listen on loopback");
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Serve(); });
}

ScriptedPop3Server::~ScriptedPop3Server() {
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    ::close(m_listener);
}

std::vector<std::string> ScriptedPop3Server::Heard() {
    m_clientDone = true;
    if (m_thread.joinable())
        m_thread.join();
    std::lock_guard lock(m_mutex);
    return m_heard;
}

bool ScriptedPop3Server::Connected() {
    std::lock_guard lock(m_mutex);
    return m_connected;
}

// One line from the client; false when the client closed, or on stop or give-up.
bool ScriptedPop3Server::ReadLine(int fd, std::string& line) {
    const Clock::time_point giveUp = Clock::now() + kGiveUp;
    for (;;) {
        if (const std::size_t end = m_pending.find("\r\n"); end != std::string::npos) {
            line = m_pending.substr(0, end);
            m_pending.erase(0, end + 2);
            std::lock_guard lock(m_mutex);
            m_heard.push_back(line);
            return true;
        }
        if (m_stop || Clock::now() > giveUp)
            return false;
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, kPollMs) <= 0)
            continue;
        char buffer[512];
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0)
            return false;
        m_pending.append(buffer, static_cast<std::size_t>(got));
    }
}

void ScriptedPop3Server::Serve() {
    int client = -1;
    const Clock::time_point giveUp = Clock::now() + kGiveUp;
    while (client < 0 && !m_stop && Clock::now() < giveUp) {
        pollfd entry{m_listener, POLLIN, 0};
        const bool lastLook = m_clientDone;  // read before the poll: a late client is queued
        if (::poll(&entry, 1, kPollMs) > 0)
            client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        else if (lastLook)
            break;
    }
    if (client < 0)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_connected = true;
    }
    std::string line;
    bool open = true;
    for (const ServerStep& step : m_script) {
        if (!open || m_stop)
            break;
        switch (step.kind) {
            case ServerStep::Kind::Say:
                SendAll(client, step.text);
                break;
            case ServerStep::Kind::Hear:
                open = ReadLine(client, line);
                break;
            case ServerStep::Kind::Pause:
                for (auto until = Clock::now() + step.interval; Clock::now() < until && !m_stop;)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                break;
            case ServerStep::Kind::Drip:
                for (char c : step.text) {
                    SendAll(client, std::string_view(&c, 1));
                    std::this_thread::sleep_for(step.interval);
                    if (m_stop)
                        break;
                }
                break;
            case ServerStep::Kind::HangUp:
                open = false;
                break;
        }
    }
    while (open && ReadLine(client, line)) {
    }
    ::close(client);
}

}  // namespace linkvane::testing
