// Times whole mail checks against dovecot on loopback, against Python's poplib sending the
// same commands to the same server in the same run:
//   plain: connect, greeting, USER, PASS, NOOP, STAT, QUIT;
//   STLS:  connect, greeting, CAPA, STLS, the TLS handshake (certificate verified against the
//          default verify paths, here a test authority given by SSL_CERT_FILE), CAPA, USER,
//          PASS, NOOP, STAT, QUIT; each check makes its TLS context afresh, in both programs.
// Rounds alternate between the two so that a busy machine slows both alike. Prints both times
// per check and their ratio (below 1.0: the program's check is the quicker).
//
// Usage: mail_check_bench [checks per round] [rounds]

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/connection/mail_check.h"
#include "platform/posix_sockets.h"
#include "tools/dovecot_server.h"
#include "tools/test_certificates.h"

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

const char* const kPoplibScript = R"(import poplib, ssl, sys, time
port, count, tls = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3] == "stls"
start = time.perf_counter()
for _ in range(count):
    session = poplib.POP3("127.0.0.1", port, timeout=10)
    if tls:
        session.stls(ssl.create_default_context())
        session.capa()
    session.user("bench")
    session.pass_("secret")
    session.noop()
    session.stat()
    session.quit()
print(time.perf_counter() - start)
)";

double ProgramChecks(std::uint16_t port, linkvane::Pop3Security security, int count) {
    linkvane::PollWait wait;
    linkvane::PosixSocketLayer sockets(wait);
    linkvane::SilentMailView view;
    linkvane::MailCheckSettings settings;
    settings.host = "127.0.0.1";
    settings.user = "bench";
    settings.password = "secret";
    settings.port = port;
    settings.tls.security = security;
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < count; ++i) {
        if (linkvane::CheckMail(sockets, settings, view).stage != 0) {
            std::fprintf(stderr, "a mail check failed\n");
            std::exit(1);
        }
    }
    return Seconds(Clock::now() - start).count();
}

// The loop's own time as Python measured it, without the interpreter's start-up.
double PoplibChecks(const std::filesystem::path& script, std::uint16_t port, bool tls, int count) {
    const std::string command = "python3 " + script.string() + " " + std::to_string(port) + " " +
                                std::to_string(count) + (tls ? " stls" : " plain");
    FILE* pipe = ::popen(command.c_str(), "r");
    double seconds = -1;
    if (pipe == nullptr || std::fscanf(pipe, "%lf", &seconds) != 1 || ::pclose(pipe) != 0) {
        std::fprintf(stderr, "poplib run failed: %s\n", command.c_str());
        std::exit(1);
    }
    return seconds;
}

void Compare(const char* name, const std::filesystem::path& script, std::uint16_t port,
             linkvane::Pop3Security security, int perRound, int rounds) {
    const bool tls = security != linkvane::Pop3Security::Plain;
    ProgramChecks(port, security, 5);  // warm both up: dovecot's first logins are slower
    PoplibChecks(script, port, tls, 5);
    double program = 0;
    double poplib = 0;
    for (int round = 0; round < rounds; ++round) {
        program += ProgramChecks(port, security, perRound);
        poplib += PoplibChecks(script, port, tls, perRound);
    }
    const int checks = perRound * rounds;
    std::printf("mail check against dovecot, %s, %d checks each\n", name, checks);
    std::printf("  linkvane CheckMail : %8.3f ms per check\n", 1000 * program / checks);
    std::printf("  python poplib      : %8.3f ms per check\n", 1000 * poplib / checks);
    std::printf("  ratio              : %8.3fx\n", program / poplib);
}

}  // namespace

int main(int argc, char** argv) {
    const int perRound = argc > 1 ? std::atoi(argv[1]) : 50;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 4;
    const linkvane::testing::TestCertificates certificates;
    ::setenv("SSL_CERT_FILE", certificates.authority().c_str(), 1);
    linkvane::testing::DovecotServer dovecot(
        {{"bench",
          "secret",
          {linkvane::testing::MessageOfSize(1500), linkvane::testing::MessageOfSize(700)}}},
        &certificates.localhost);
    const std::filesystem::path script = std::filesystem::temp_directory_path() /
                                         ("linkvane-poplib-" + std::to_string(::getpid()) + ".py");
    std::ofstream(script) << kPoplibScript;
    Compare("plain", script, dovecot.port(), linkvane::Pop3Security::Plain, perRound, rounds);
    Compare("STLS", script, dovecot.port(), linkvane::Pop3Security::Auto, perRound, rounds);
    std::filesystem::remove(script);
    return 0;
}
