#pragma once

// Dovecot's POP3 server, started by a test (or a benchmark) with a configuration in a private
// directory: no system service, plain passwords, one Maildir per user. It listens on
// 127.0.0.1 at a free port, or on the address and port given. Without a certificate it offers
// no TLS; with one it offers STLS on port() and implicit TLS on pop3sPort(), and still takes a
// clear-text login. The mail processes run as the system user "mail"; the login processes as
// dovecot's own users. Stopped and removed with the object.

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "test_certificates.h"

namespace linkvane::testing {

struct Mailbox {
    std::string user;
    std::string password;
    std::vector<std::string> messages;  // whole messages, CRLF line ends
};

class DovecotServer {
  public:
    // Throws std::runtime_error when dovecot cannot be started. Port 0 picks a free one.
    explicit DovecotServer(const std::vector<Mailbox>& mailboxes,
                           const CertificateFiles* certificate = nullptr,
                           const std::string& address = "127.0.0.1", std::uint16_t port = 0);
    ~DovecotServer();
    DovecotServer(const DovecotServer&) = delete;
    DovecotServer& operator=(const DovecotServer&) = delete;

    std::uint16_t port() const { return m_port; }
    std::uint16_t pop3sPort() const { return m_pop3sPort; }  // 0 without a certificate

  private:
    void Stop();

    std::filesystem::path m_dir;
    std::string m_address;
    std::uint16_t m_port = 0;
    std::uint16_t m_pop3sPort = 0;
    pid_t m_pid = -1;
};

// A short message of about size bytes.
std::string MessageOfSize(std::size_t size);

}  // namespace linkvane::testing
