// linkvane-modem-simulator: a scripted Hayes modem on a pseudo-terminal, for tests and for
// trying the dialler without a modem.
//
//   linkvane-modem-simulator LINK SCRIPT [TRANSCRIPT] [-- PROGRAM [ARG...]]
//
// LINK becomes a symbolic link to the pseudo-terminal's slave: the device to give an entry.
// The slave belongs to the group dialout with mode 0660, as udev gives a modem. SCRIPT is the
// simulated modem's script (see simulated_modem.h), for example
//   "5551=busy;5552=connect:100:2000;echo=off".
// Each command the modem receives is appended as a line to TRANSCRIPT when given (an empty
// TRANSCRIPT keeps none). With PROGRAM, each CONNECT carries the line on to the far end: PROGRAM
// starts on a pseudo-terminal of its own (its controlling terminal, standard input and
// output), and bytes pass both ways until either side closes. A far end that closes drops the
// line, as a lost carrier does; a dialler that closes its line hangs the far end up.
// When the line drops the pseudo-terminal is closed (the dialler sees a hang-up) and a new one
// takes its place under LINK. The simulator prints "ready" once LINK exists and runs until it
// is ended by a signal.

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <thread>
#include <vector>

#include "core/util/file_descriptor.h"
#include "tools/simulated_modem.h"

namespace {

using linkvane::FileDescriptor;
using linkvane::ServeEnd;

// A new pseudo-terminal master, its slave unlocked and raw (a terminal's echo would hand a
// peer back its own bytes, which pppd takes for a looped-back line); invalid on failure.
FileDescriptor NewPseudoTerminal() {
    FileDescriptor master(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    termios raw{};
    if (!master.valid() || ::grantpt(master.get()) != 0 || ::unlockpt(master.get()) != 0 ||
        ::tcgetattr(master.get(), &raw) != 0)
        return FileDescriptor();
    ::cfmakeraw(&raw);
    if (::tcsetattr(master.get(), TCSANOW, &raw) != 0)  // on Linux, the slave's settings
        return FileDescriptor();
    return master;
}

// A new pseudo-terminal whose slave LINK names; the master, or an invalid one.
FileDescriptor OpenLine(const std::filesystem::path& link) {
    FileDescriptor master = NewPseudoTerminal();
    const char* slave = master.valid() ? ::ptsname(master.get()) : nullptr;
    if (slave == nullptr)
        return FileDescriptor();
    if (const group* dialout = ::getgrnam("dialout"))
        (void)!::chown(slave, static_cast<uid_t>(-1), dialout->gr_gid);
    ::chmod(slave, 0660);
    const std::filesystem::path temporary = link.string() + ".new";
    std::error_code error;
    std::filesystem::remove(temporary, error);
    std::filesystem::create_symlink(slave, temporary, error);
    std::filesystem::rename(temporary, link, error);
    return error ? FileDescriptor() : std::move(master);
}

// Waits until a dialler has opened the slave (the master stops reporting a hang-up).
void AwaitOpen(int master) {
    for (;;) {
        pollfd probe{master, POLLIN, 0};
        ::poll(&probe, 1, 0);
        if ((probe.revents & POLLHUP) == 0)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Starts program with the slave of `far` as its controlling terminal and standard input and
// output; returns once it runs (or has failed to), so that the slave is open by then.
pid_t StartFarEnd(int far, char* const program[]) {
    std::array<int, 2> started{-1, -1};
    if (::pipe2(started.data(), O_CLOEXEC) != 0)
        return -1;
    const char* slave = ::ptsname(far);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        const int tty = slave == nullptr ? -1 : ::open(slave, O_RDWR);
        if (tty < 0 || ::dup2(tty, 0) < 0 || ::dup2(tty, 1) < 0)
            ::_exit(127);
        ::execv(program[0], program);
        ::_exit(127);
    }
    ::close(started[1]);
    char ignored = 0;
    (void)!::read(started[0], &ignored, 1);  // ends at exec, which closes the pipe
    ::close(started[0]);
    return pid;
}

bool Pass(int from, int to) {
    std::array<char, 4096> buffer{};
    const ssize_t got = ::read(from, buffer.data(), buffer.size());
    if (got <= 0)
        return got < 0 && errno == EINTR;
    return linkvane::WriteAll(to, buffer.data(), static_cast<std::size_t>(got));
}

// Carries the line on to program until one side closes: Dropped when the far end closed
// first, Closed when the dialler did. The far end is hung up and reaped either way.
ServeEnd Relay(int line, char* const program[]) {
    FileDescriptor far = NewPseudoTerminal();
    const pid_t pid = far.valid() ? StartFarEnd(far.get(), program) : -1;
    ServeEnd end = ServeEnd::Dropped;
    while (pid > 0) {
        std::array<pollfd, 2> fds{{{line, POLLIN, 0}, {far.get(), POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
            break;
        if (fds[0].revents != 0 && !Pass(line, far.get())) {
            end = ServeEnd::Closed;
            break;
        }
        if (fds[1].revents != 0 && !Pass(far.get(), line))
            break;
    }
    far.Close();  // the far end's terminal hangs up
    for (int waited = 0; pid > 0 && ::waitpid(pid, nullptr, WNOHANG) == 0; waited += 10) {
        if (waited == 3000)
            ::kill(pid, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return end;
}

// Appends the commands from index `from` on to the transcript and returns how many are logged.
// The whole file is replaced by a rename, so a reader that sees it sees it complete.
std::size_t AppendTranscript(const std::filesystem::path& path,
                             const std::vector<std::string>& commands, std::size_t from) {
    std::string text;
    if (std::ifstream old(path); old)
        text.assign(std::istreambuf_iterator<char>(old), std::istreambuf_iterator<char>());
    for (; from < commands.size(); ++from)
        text += commands[from] + '\n';
    const std::filesystem::path temporary = path.string() + ".new";
    std::ofstream(temporary, std::ios::trunc) << text;
    std::filesystem::rename(temporary, path);
    return from;
}

}  // namespace

int main(int argc, char* argv[]) {
    std::vector<char*> args(argv + 1, argv + argc);
    std::vector<char*> program;
    for (auto it = args.begin(); it != args.end(); ++it) {
        if (std::string_view(*it) == "--") {
            program.assign(it + 1, args.end());
            args.erase(it, args.end());
            break;
        }
    }
    if (args.size() < 2 || args.size() > 3) {
        std::cerr << "usage: linkvane-modem-simulator LINK SCRIPT [TRANSCRIPT] [-- PROGRAM ...]\n";
        return 2;
    }
    program.push_back(nullptr);
    const bool relay = program.size() > 1;
    const std::filesystem::path link = args[0];
    const std::string transcriptPath = args.size() == 3 ? args[2] : "";
    linkvane::Result<linkvane::ModemScript> script = linkvane::ParseModemScript(args[1]);
    if (!script) {
        std::cerr << "linkvane-modem-simulator: " << script.error().message << '\n';
        return 2;
    }
    FileDescriptor master = OpenLine(link);
    if (!master.valid()) {
        std::cerr << "linkvane-modem-simulator: no pseudo-terminal at " << link << '\n';
        return 1;
    }
    ::signal(SIGPIPE, SIG_IGN);
    std::cout << "ready" << std::endl;
    linkvane::SimulatedModem modem(*script);
    std::size_t logged = 0;
    for (;;) {
        AwaitOpen(master.get());
        // Each command is in the transcript before the modem answers it, so a test that has seen
        // the dial end reads every command of it.
        ServeEnd end = linkvane::ServeSimulatedModem(master.get(), modem, -1, relay, [&] {
            if (!transcriptPath.empty() && logged < modem.Commands().size())
                logged = AppendTranscript(transcriptPath, modem.Commands(), logged);
        });
        if (end == ServeEnd::OnLine)
            end = Relay(master.get(), program.data());
        modem.Reset();
        if (end == ServeEnd::Dropped) {
            master = OpenLine(link);  // the old line is gone for good, as after a lost carrier
            if (!master.valid())
                return 1;
        }
    }
}
