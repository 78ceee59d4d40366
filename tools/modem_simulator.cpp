// linkvane-modem-simulator: a scripted Hayes modem on a pseudo-terminal, for tests and for
// trying the dialler without a modem.
//
//   linkvane-modem-simulator LINK SCRIPT [TRANSCRIPT]
//
// LINK becomes a symbolic link to the pseudo-terminal's slave: the device to give an entry.
// SCRIPT is the simulated modem's script (see simulated_modem.h), for example
//   "5551=busy;5552=connect:100:2000;echo=off".
// Each command the modem receives is appended as a line to TRANSCRIPT when given. When the
// script drops the line the pseudo-terminal is closed (the dialler sees a hang-up) and a new
// one takes its place under LINK. The simulator prints "ready" once LINK exists and runs
// until it is ended by a signal.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <thread>

#include "core/util/file_descriptor.h"
#include "tools/simulated_modem.h"

namespace {

using linkvane::FileDescriptor;

// A new pseudo-terminal whose slave LINK names; the master, or an invalid one.
FileDescriptor OpenLine(const std::filesystem::path& link) {
    FileDescriptor master(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!master.valid() || ::grantpt(master.get()) != 0 || ::unlockpt(master.get()) != 0)
        return FileDescriptor();
    const char* slave = ::ptsname(master.get());
    if (slave == nullptr)
        return FileDescriptor();
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
    if (argc < 3 || argc > 4) {
        std::cerr << "usage: linkvane-modem-simulator LINK SCRIPT [TRANSCRIPT]\n";
        return 2;
    }
    const std::filesystem::path link = argv[1];
    linkvane::Result<linkvane::ModemScript> script = linkvane::ParseModemScript(argv[2]);
    if (!script) {
        std::cerr << "linkvane-modem-simulator: " << script.error().message << '\n';
        return 2;
    }
    FileDescriptor master = OpenLine(link);
    if (!master.valid()) {
        std::cerr << "linkvane-modem-simulator: no pseudo-terminal at " << link << '\n';
        return 1;
    }
    std::cout << "ready" << std::endl;
    linkvane::SimulatedModem modem(*script);
    std::size_t logged = 0;
    for (;;) {
        AwaitOpen(master.get());
        const linkvane::ServeEnd end = linkvane::ServeSimulatedModem(master.get(), modem, -1);
        if (argc == 4)
            logged = AppendTranscript(argv[3], modem.Commands(), logged);
        modem.Reset();
        if (end == linkvane::ServeEnd::Dropped) {
            master = OpenLine(link);  // the old line is gone for good, as after a lost carrier
            if (!master.valid())
                return 1;
        }
    }
}
