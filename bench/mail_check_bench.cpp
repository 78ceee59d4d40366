// Times whole mail checks (connect, greeting, USER, PASS, NOOP, STAT, QUIT) against dovecot on
// loopback, against Python's poplib sending the same commands to the same server in the same
// run. Rounds alternate between the two so that a busy machine slows both alike. Prints both
// times per check and their ratio (below 1.0: the program's check is the quicker).
//
// Usage: mail_check_bench [checks per round] [rounds]

#include <sys/wait.h>
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

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

const char* const kPoplibScript = R"(import poplib, sys, time
port, count = int(sys.argv[1]), int(sys.argv[2])
start = time.perf_counter()
for _ in range(count):
    session = poplib.POP3("127.0.0.1", port, timeout=10)
    session.user("bench")
    session.pass_("secret")
    session.noop()
    session.stat()
    session.quit()
print(time.perf_counter() - start)
)";

double ProgramChecks(std::uint16_t port, int count) {
    linkvane::PollWait wait;
    linkvane::PosixSocketLayer sockets(wait);
    linkvane::SilentMailView view;
    linkvane::MailCheckSettings settings;
    settings.host = "127.0.0.1";
    settings.user = "bench";
    settings.password = "secret";
    settings.port = port;
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
double PoplibChecks(const std::filesystem::path& script, std::uint16_t port, int count) {
    const std::string command =
        "python3 " + script.string() + " " + std::to_string(port) + " " + std::to_string(count);
    FILE* pipe = ::popen(command.c_str(), "r");
    double seconds = -1;
    if (pipe == nullptr || std::fscanf(pipe, "%lf", &seconds) != 1 || ::pclose(pipe) != 0) {
        std::fprintf(stderr, "poplib run failed: %s\n", command.c_str());
        std::exit(1);
    }
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const int perRound = argc > 1 ? std::atoi(argv[1]) : 50;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 4;
    linkvane::testing::DovecotServer dovecot(
        {{"bench",
          "secret",
          {linkvane::testing::MessageOfSize(1500), linkvane::testing::MessageOfSize(700)}}});
    const std::filesystem::path script = std::filesystem::temp_directory_path() /
                                         ("linkvane-poplib-" + std::to_string(::getpid()) + ".py");
    std::ofstream(script) << kPoplibScript;

    ProgramChecks(dovecot.port(), 5);  // warm both up: dovecot's first logins are slower
    PoplibChecks(script, dovecot.port(), 5);
    double program = 0;
    double poplib = 0;
    for (int round = 0; round < rounds; ++round) {
        program += ProgramChecks(dovecot.port(), perRound);
        poplib += PoplibChecks(script, dovecot.port(), perRound);
    }
    std::filesystem::remove(script);
    const int checks = perRound * rounds;
    std::printf("mail check against dovecot, %d checks each\n", checks);
    std::printf("  linkvane CheckMail : %8.3f ms per check\n", 1000 * program / checks);
    std::printf("  python poplib      : %8.3f ms per check\n", 1000 * poplib / checks);
    std::printf("  ratio              : %8.3fx\n", program / poplib);
    return 0;
}
