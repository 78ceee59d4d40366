#include "support/dial_peers.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <thread>

#include "core/profiles/ras_entry.h"
#include "support/temp_dir.h"

namespace linkvane::testing {

ModemSimulator::ModemSimulator(const std::filesystem::path& simulator,
                               const std::filesystem::path& dir, const std::string& script)
    : m_link(dir / "modem"), m_transcript(dir / "modem.log") {
    std::filesystem::remove(m_transcript);
    // A link left by an earlier simulator may name a pseudo-terminal number that another
    // process has taken since: the new line counts only once the simulator says "ready".
    std::filesystem::remove(m_link);
    std::array<int, 2> ready{-1, -1};
    if (::pipe2(ready.data(), O_CLOEXEC) != 0)
        return;
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(ready[1], 1);
        ::execl(simulator.c_str(), simulator.c_str(), m_link.c_str(), script.c_str(),
                m_transcript.c_str(), nullptr);
        ::_exit(127);
    }
    ::close(ready[1]);
    std::string said;
    for (char c = 0; said.find('\n') == std::string::npos;) {
        pollfd out{ready[0], POLLIN, 0};
        if (::poll(&out, 1, 5000) <= 0 || ::read(ready[0], &c, 1) != 1)
            break;  // no simulator: the dial's own failure says so
        said += c;
    }
    ::close(ready[0]);  // the simulator ignores SIGPIPE once it is ready
}

ModemSimulator::~ModemSimulator() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
}

std::string ModemSimulator::Transcript() const {
    // The simulator writes each command before it answers it; before the first there is none.
    for (int i = 0; i < 200 && !std::filesystem::exists(m_transcript); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return ReadFileText(m_transcript);
}

PhonebookEntry DialEntry(const std::string& name, const std::filesystem::path& device,
                         const std::string& number, const std::string& initString) {
    PhonebookEntry entry;
    entry.name = name;
    entry.properties.deviceType = std::string(kRasDeviceTypeModem);
    entry.properties.deviceName = device.string();
    entry.properties.localPhoneNumber = number;
    entry.initString = initString;
    return entry;
}

}  // namespace linkvane::testing
