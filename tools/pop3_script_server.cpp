#include "pop3_script_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace linkvane::testing {

struct ScriptedPop3Server::Tls {
    ~Tls() {
        SSL_free(ssl);
        SSL_CTX_free(context);
    }
    SSL_CTX* context = nullptr;
    SSL* ssl = nullptr;
};

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

void ScriptedPop3Server::Note(std::string text) {
    std::lock_guard lock(m_mutex);
    m_heard.push_back(std::move(text));
}

void ScriptedPop3Server::Send(int fd, std::string_view bytes) {
    if (m_tls == nullptr) {
        SendAll(fd, bytes);
        return;
    }
    std::size_t written = 0;
    SSL_write_ex(m_tls->ssl, bytes.data(), bytes.size(), &written);
}

// The server's side of a TLS handshake on fd; a client that stalls is given 5 s.
bool ScriptedPop3Server::Accept(int fd, const CertificateFiles& certificate) {
    m_tls = std::make_unique<Tls>();
    m_tls->context = SSL_CTX_new(TLS_server_method());
    if (m_tls->context == nullptr ||
        SSL_CTX_use_certificate_file(m_tls->context, certificate.certificate.c_str(),
                                     SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_use_PrivateKey_file(m_tls->context, certificate.key.c_str(), SSL_FILETYPE_PEM) !=
            1) {
        return false;
    }
    m_tls->ssl = SSL_new(m_tls->context);
    const timeval stall{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &stall, sizeof stall);
    return m_tls->ssl != nullptr && SSL_set_fd(m_tls->ssl, fd) == 1 && SSL_accept(m_tls->ssl) == 1;
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
        const bool buffered = m_tls != nullptr && SSL_pending(m_tls->ssl) > 0;
        if (!buffered && ::poll(&entry, 1, kPollMs) <= 0)
            continue;
        char buffer[512];
        std::size_t got = 0;
        if (m_tls != nullptr) {
            if (SSL_read_ex(m_tls->ssl, buffer, sizeof buffer, &got) != 1)
                return false;
        } else {
            const ssize_t received = ::recv(fd, buffer, sizeof buffer, 0);
            if (received <= 0)
                return false;
            got = static_cast<std::size_t>(received);
        }
        m_pending.append(buffer, got);
    }
}

void ScriptedPop3Server::Serve() {
    // OpenSSL writes to the socket without MSG_NOSIGNAL: a client that has gone must not end
    // the test. Blocked here, the signal stays with this thread and is never delivered.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
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
                Send(client, step.text);
                break;
            case ServerStep::Kind::Hear:
                open = ReadLine(client, line);
                break;
            case ServerStep::Kind::Pause:
                for (auto until = Clock::now() + step.interval; Clock::now() < until && Going();)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                break;
            case ServerStep::Kind::Drip:
                for (char c : step.text) {
                    Send(client, std::string_view(&c, 1));
                    std::this_thread::sleep_for(step.interval);
                    if (!Going())
                        break;
                }
                break;
            case ServerStep::Kind::HangUp:
                open = false;
                break;
            case ServerStep::Kind::StartTls:
                open = Accept(client, step.certificate);
                Note(open ? "(TLS)" : "(no TLS)");
                break;
        }
    }
    while (open && ReadLine(client, line)) {
    }
    if (!m_pending.empty())
        Note("(partial) " + m_pending);
    m_tls.reset();
    ::close(client);
}

}  // namespace linkvane::testing
