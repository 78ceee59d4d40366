#include "dovecot_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace linkvane::testing {
namespace {

const char* const kDovecot = "/usr/sbin/dovecot";

// A port that was free a moment ago (dovecot binds it itself).
std::uint16_t FreeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

bool Accepts(const std::string& host, std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    ::inet_pton(AF_INET, host.c_str(), &address.sin_addr);
    address.sin_port = htons(port);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

void Write(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

void GiveTo(const std::filesystem::path& path, const passwd& user) {
    if (::chown(path.c_str(), user.pw_uid, user.pw_gid) != 0)
        throw std::runtime_error("cannot chown " + path.string());
}

}  // namespace

std::string MessageOfSize(std::size_t size) {
    std::string message = "From: sender@example.org\r\nSubject: test\r\n\r\n";
    while (message.size() + 2 < size)
        message += 'x';
    return message + "\r\n";
}

DovecotServer::DovecotServer(const std::vector<Mailbox>& mailboxes,
                             const CertificateFiles* certificate, const std::string& address,
                             std::uint16_t port)
    : m_address(address) {
    const passwd* mail = ::getpwnam("mail");
    if (mail == nullptr || ::access(kDovecot, X_OK) != 0)
        throw std::runtime_error("dovecot or the user \"mail\" is missing");
    std::string pattern = (std::filesystem::temp_directory_path() / "linkvane-dovecot-XXXXXX");
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    m_dir = pattern;
    std::filesystem::permissions(
        m_dir, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                   std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                   std::filesystem::perms::others_exec);
    m_port = port != 0 ? port : FreeLoopbackPort();
    std::string tls = "ssl = no\n";
    std::string pop3s;
    if (certificate != nullptr) {
        m_pop3sPort = FreeLoopbackPort();
        tls = "ssl = yes\nssl_cert = <" + certificate->certificate.string() + "\nssl_key = <" +
              certificate->key.string() + "\n";
        pop3s = "  inet_listener pop3s {\n    address = " + address +
                "\n    port = " + std::to_string(m_pop3sPort) + "\n    ssl = yes\n  }\n";
    }
    const std::string dir = m_dir.string();
    std::string users;
    std::filesystem::create_directories(m_dir / "mail");
    GiveTo(m_dir / "mail", *mail);
    for (const Mailbox& box : mailboxes) {
        users += box.user + ":{PLAIN}" + box.password + "\n";
        const std::filesystem::path maildir = m_dir / "mail" / box.user;
        for (const char* sub : {"", "cur", "new", "tmp"}) {
            std::filesystem::create_directories(maildir / sub);
            GiveTo(maildir / sub, *mail);
        }
        int n = 0;
        for (const std::string& message : box.messages) {
            const auto file = maildir / "new" / ("100" + std::to_string(++n) + ".linkvane");
            Write(file, message);
            GiveTo(file, *mail);
        }
    }
    Write(m_dir / "users", users);
    Write(m_dir / "dovecot.conf",
          "base_dir = " + dir + "/run\nstate_dir = " + dir + "/run\nlog_path = " + dir +
              "/log\nprotocols = pop3\nlisten = " + address + "\n" + tls +
              "disable_plaintext_auth = no\nauth_mechanisms = plain\nfirst_valid_uid = 1\n"
              // A wrong password is refused at once: a test waits for no penalty.
              "auth_failure_delay = 0\n"
              "default_login_user = dovenull\ndefault_internal_user = dovecot\n"
              "mail_location = maildir:" +
              dir +
              "/mail/%u\n"
              "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN " +
              dir +
              "/users\n}\n"
              "userdb {\n  driver = static\n  args = uid=mail gid=mail home=" +
              dir +
              "/mail/%u\n}\n"
              "service pop3-login {\n  chroot =\n  inet_listener pop3 {\n    address = " +
              address + "\n    port = " + std::to_string(m_port) + "\n  }\n" + pop3s +
              "}\n"
              "service anvil {\n  chroot =\n}\n");

    const std::string config = (m_dir / "dovecot.conf").string();
    m_pid = ::fork();
    if (m_pid == 0) {
        // Dovecot ends on SIGTERM: a caller that waits for its own signals has them blocked.
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::setpgid(0, 0);  // a group of its own, for Stop()
        ::execl(kDovecot, kDovecot, "-F", "-c", config.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::setpgid(m_pid, m_pid);  // as the child does: the group is there once either has run
    const auto listening = [this] {
        return Accepts(m_address, m_port) && (m_pop3sPort == 0 || Accepts(m_address, m_pop3sPort));
    };
    for (int i = 0; i < 200 && !listening(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    if (!listening()) {
        Stop();
        throw std::runtime_error("dovecot did not start; see its log");
    }
}

DovecotServer::~DovecotServer() {
    Stop();
}

void DovecotServer::Stop() {
    if (m_pid > 0) {
        // The whole group at once: the master alone waits a second for its busy children.
        if (::kill(-m_pid, SIGTERM) != 0)
            ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    std::error_code ignored;
    if (!m_dir.empty())
        std::filesystem::remove_all(m_dir, ignored);
    m_dir.clear();
}

}  // namespace linkvane::testing
