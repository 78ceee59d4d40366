#pragma once

// The peers of a dial, for tests of the modem engine, the window and linkvanectl: the modem
// simulator run as a child process on a pseudo-terminal, and a phonebook entry that dials it.

#include <sys/types.h>

#include <filesystem>
#include <string>

#include "core/profiles/phonebook.h"

namespace linkvane::testing {

class ModemSimulator {
  public:
    // Starts the simulator with `script`; its line appears as dir/modem.
    ModemSimulator(const std::filesystem::path& simulator, const std::filesystem::path& dir,
                   const std::string& script);
    ~ModemSimulator();
    ModemSimulator(const ModemSimulator&) = delete;
    ModemSimulator& operator=(const ModemSimulator&) = delete;

    const std::filesystem::path& device() const { return m_link; }
    // The commands the modem has received, one a line, once the dialler has released the line.
    std::string Transcript() const;

  private:
    std::filesystem::path m_link;
    std::filesystem::path m_transcript;
    pid_t m_pid = -1;
};

// An entry that dials `number` on `device`.
PhonebookEntry DialEntry(const std::string& name, const std::filesystem::path& device,
                         const std::string& number, const std::string& initString = "ATZ");

}  // namespace linkvane::testing
