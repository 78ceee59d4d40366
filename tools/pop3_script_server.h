#pragma once

// A POP3 server on 127.0.0.1 that plays a script, for tests of how the mail check copes with
// servers that misbehave: silence, stalls, drip-feeding, missing line ends, closed streams.
// It accepts one connection on a port of its own and runs the script; after the script it
// keeps reading the client's lines until the client closes, so that a test sees every command
// (QUIT included) in Heard(), and any bytes after the last line end too. A StartTls step
// turns the connection to TLS as the server (OpenSSL) and is noted in Heard() as "(TLS)", or
// "(no TLS)" when the handshake fails, which ends the script. Runs on a thread of its own.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "test_certificates.h"

namespace linkvane::testing {

struct ServerStep {
    enum class Kind { Say, Hear, Pause, Drip, HangUp, StartTls };
    Kind kind;
    std::string text;
    std::chrono::milliseconds interval{0};
    CertificateFiles certificate = {};
};

inline ServerStep Say(std::string text) {
    return {ServerStep::Kind::Say, std::move(text)};
}
// Reads one command line from the client.
inline ServerStep Hear() {
    return {ServerStep::Kind::Hear, {}};
}
inline ServerStep Pause(std::chrono::milliseconds time) {
    return {ServerStep::Kind::Pause, {}, time};
}
// Sends text one byte at a time, interval apart.
inline ServerStep Drip(std::string text, std::chrono::milliseconds interval) {
    return {ServerStep::Kind::Drip, std::move(text), interval};
}
inline ServerStep HangUp() {
    return {ServerStep::Kind::HangUp, {}};
}
inline ServerStep StartTls(CertificateFiles certificate) {
    return {ServerStep::Kind::StartTls, {}, {}, std::move(certificate)};
}

class ScriptedPop3Server {
  public:
    explicit ScriptedPop3Server(std::vector<ServerStep> script);
    ~ScriptedPop3Server();
    ScriptedPop3Server(const ScriptedPop3Server&) = delete;
    ScriptedPop3Server& operator=(const ScriptedPop3Server&) = delete;

    std::uint16_t port() const { return m_port; }
    // The command lines the client sent, without their line ends. Call it once the client is
    // done: it waits until the client has closed the connection (at most 30 s).
    std::vector<std::string> Heard();
    // Whether a client connected at all.
    bool Connected();

    struct Tls;  // OpenSSL's objects, once a StartTls step ran

  private:
    void Serve();
    bool ReadLine(int fd, std::string& line);
    void Send(int fd, std::string_view bytes);
    bool Accept(int fd, const CertificateFiles& certificate);
    void Note(std::string text);
    // A pause or a drip goes on until the test stops the server or asks what it heard: the
    // client is done by then, and waiting longer would only delay the test.
    bool Going() const { return !m_stop && !m_clientDone; }

    std::vector<ServerStep> m_script;
    int m_listener = -1;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_clientDone{false};  // no client will connect after this
    std::mutex m_mutex;
    std::vector<std::string> m_heard;
    bool m_connected = false;
    std::string m_pending;  // bytes read past the last line end
    std::unique_ptr<Tls> m_tls;
    std::thread m_thread;
};

}  // namespace linkvane::testing
