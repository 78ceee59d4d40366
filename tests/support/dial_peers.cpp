#include "support/dial_peers.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "core/profiles/ras_entry.h"
#include "support/temp_dir.h"

namespace linkvane::testing {

ModemSimulator::ModemSimulator(const std::filesystem::path& simulator,
                               const std::filesystem::path& dir, const std::string& script)
    : m_link(dir / "modem"), m_transcript(dir / "modem.log") {
    std::filesystem::remove(m_transcript);
    m_pid = ::fork();
    if (m_pid == 0) {
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, 1);
        ::execl(simulator.c_str(), simulator.c_str(), m_link.c_str(), script.c_str(),
                m_transcript.c_str(), nullptr);
        ::_exit(127);
    }
    for (int i = 0; i < 500 && !std::filesystem::exists(m_link); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
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
