// A stand-in for pppd, for tests only: the kernel here cannot carry a PPP link. Run as
//   pppd call linkvane user LOGIN passwordfd 3 logfd 4 ipparam ENTRY
// it checks those arguments (anything else: exit 2, as pppd's option errors), checks that
// its standard input is a terminal open for reading and writing (else exit 1, as pppd that
// cannot take its line), reads the password from fd 3 and logs to fd 4 as pppd does. It
// writes ppp0.pid into $LINKVANE_PPPD_RUNDIR while up and removes it at the end; with
// $LINKVANE_PPPD_NETDIR it also stands in for the kernel's interface there while up,
// ppp0/statistics with 4096 octets received and 1024 sent.
//
// $LINKVANE_PPPD_SCENARIO: "up" (default; stays up until SIGTERM, exit 5, or until the line
// hangs up, exit 16), "drop:MS" (up, then the peer goes after MS ms: exit 16), "nego" (exit
// 10 before the link is up), "refused-hangup" (a refused login whose hang-up by the provider
// ends pppd first: exit 16); with "noise" it logs a 70000-byte line first and a 40000-byte one
// last, and with "babble" it leaves a child behind that holds the log and writes a line to it
// every 20 ms for 10 s.
// $LINKVANE_PPPD_PASSWORD, when set, is the only password the provider accepts (else exit 19).
// $LINKVANE_PPPD_ARGS, when set, receives the argument line.
// Once up it reports the provider's name servers 192.0.2.53 and 192.0.2.54.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

volatile sig_atomic_t g_terminated = 0;

void Log(const std::string& line) {
    const std::string text = line + "\n";
    (void)!::write(4, text.data(), text.size());
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? "" : value;
}

int End(int status, const std::string& why, const std::string& pidFile) {
    Log(why);
    if (Env("LINKVANE_PPPD_SCENARIO").find("noise") != std::string::npos)
        Log(std::string(40000, '~'));  // within the drain's bound, past a line's
    if (!pidFile.empty())
        ::unlink(pidFile.c_str());
    if (const std::string netDir = Env("LINKVANE_PPPD_NETDIR"); !netDir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(netDir + "/ppp0", ignored);
    }
    return status;
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (const std::string record = Env("LINKVANE_PPPD_ARGS"); !record.empty()) {
        std::ofstream out(record);
        for (const std::string& arg : args)
            out << arg << '\n';
    }
    const std::vector<std::string> fixed{"call", "linkvane", "user", "",        "passwordfd",
                                         "3",    "logfd",    "4",    "ipparam", ""};
    bool ok = args.size() == fixed.size();
    for (std::size_t i = 0; ok && i < fixed.size(); ++i)
        ok = fixed[i].empty() || args[i] == fixed[i];
    if (!ok) {
        std::fputs("pppd: unrecognized option\n", stderr);
        return 2;
    }
    const int mode = ::fcntl(0, F_GETFL);
    if (!::isatty(0) || mode < 0 || (mode & O_ACCMODE) != O_RDWR) {
        Log("Couldn't lock the line: standard input is not a terminal open for writing");
        return 1;
    }
    char password[257] = {};
    const ssize_t got = ::read(3, password, sizeof password - 1);
    const std::string given = got > 0 ? std::string(password, static_cast<std::size_t>(got)) : "";

    ::signal(SIGTERM, [](int) { g_terminated = 1; });
    const std::string scenario = Env("LINKVANE_PPPD_SCENARIO");
    if (scenario.find("noise") != std::string::npos)
        Log(std::string(70000, '~'));
    if (scenario.find("babble") != std::string::npos && ::fork() == 0) {
        for (int i = 0; i < 500; ++i, ::usleep(20000))
            Log("babble");
        return 0;
    }
    Log("Using interface ppp0");
    Log(std::string("Connect: ppp0 <--> ") + (::ttyname(0) ? ::ttyname(0) : "stdin"));
    if (scenario.find("nego") != std::string::npos)
        return End(10, "LCP: timeout sending Config-Requests", {});
    if (const std::string wanted = Env("LINKVANE_PPPD_PASSWORD");
        !wanted.empty() && given != wanted) {
        Log("PAP authentication failed");
        return scenario.find("refused-hangup") != std::string::npos
                   ? End(16, "Modem hangup", {})
                   : End(19, "Connection terminated.", {});
    }
    Log("PAP authentication succeeded");
    std::string pidFile;
    if (const std::string runDir = Env("LINKVANE_PPPD_RUNDIR"); !runDir.empty()) {
        pidFile = runDir + "/ppp0.pid";
        std::ofstream(pidFile) << ::getpid() << "\nppp0\n";
    }
    if (const std::string netDir = Env("LINKVANE_PPPD_NETDIR"); !netDir.empty()) {
        const std::string statistics = netDir + "/ppp0/statistics";
        std::filesystem::create_directories(statistics);
        std::ofstream(statistics + "/rx_bytes") << "4096\n";
        std::ofstream(statistics + "/tx_bytes") << "1024\n";
    }
    Log("local  IP address 192.0.2.1");
    Log("remote IP address 192.0.2.2");
    Log("primary   DNS address 192.0.2.53");
    Log("secondary DNS address 192.0.2.54");
    int dropMs = -1;
    if (const std::size_t drop = scenario.find("drop:"); drop != std::string::npos)
        dropMs = std::atoi(scenario.c_str() + drop + 5);
    for (int waited = 0;; waited += 10) {
        if (g_terminated)
            return End(5, "Terminating on signal 15", pidFile);
        if (dropMs >= 0 && waited >= dropMs)
            return End(16, "Modem hangup", pidFile);
        pollfd line{0, POLLIN, 0};
        if (::poll(&line, 1, 10) > 0 && (line.revents & (POLLHUP | POLLERR)) != 0)
            return End(16, "Modem hangup", pidFile);
        if (line.revents & POLLIN) {
            char discard[256];
            if (::read(0, discard, sizeof discard) <= 0)
                return End(16, "Modem hangup", pidFile);
        }
    }
}
