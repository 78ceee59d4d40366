#pragma once

// ModemDialerEngine: the program's dialler on Linux. For each dial it
//   1. reads the entry from the phonebook (device, line speed, init string, number; the
//      request's phoneNumber, when given, replaces the number);
//   2. takes the device under a UUCP lock and opens it (SerialLine);
//   3. runs the modem dialogue (ModemDialogue): ATZ, the init string, AT&C1, ATDT;
//   4. on CONNECT hands the line to pppd (PppdProcess) and follows its log: the link is up
//      (kRasConnected) at pppd's "local  IP address" line. While pppd runs, a link record
//      (link_records.h) says which pppd is the entry's, on which line, with the interface
//      and the provider's name servers as pppd's log gives them;
//   5. after every end, whatever it was, drops DTR for dtrDrop, closes the line and removes
//      the lock: pppd does not hang up a line it got on its standard input. After BUSY, NO
//      ANSWER, NO CARRIER or NO DIALTONE the modem has hung up already: DTR drops without
//      the wait.
// A hang-up ends the dialogue, or stops pppd (SIGTERM, then SIGKILL after the grace period).
// Threads as in DialerEngineBase; the phonebook is read on the caller's thread only.

#include <chrono>
#include <filesystem>

#include "core/connection/dialer_engine_base.h"
#include "core/connection/modem_dialogue.h"
#include "core/profiles/phonebook.h"
#include "platform/link_records.h"
#include "platform/pppd_launcher.h"

namespace linkvane {

struct ModemEngineOptions {
    PppdOptions pppd;
    std::filesystem::path lockDir = "/run/lock";
    std::chrono::milliseconds dtrDrop{1000};
    std::chrono::milliseconds answerTime = kCommandAnswerTime;  // for each set-up command
    std::filesystem::path linkRecordDir = DefaultLinkRecordDir();
};

class ModemDialerEngine final : public DialerEngineBase {
  public:
    // Borrows the phonebook, which must outlive the engine.
    ModemDialerEngine(Phonebook& phonebook, ModemEngineOptions options);
    ~ModemDialerEngine() override { Shutdown(); }

  protected:
    std::optional<DialEnd> Prepare(const DialRequest& request) override;
    DialEnd Run(DialSession& session) override;

  private:
    DialEnd RunLink(int line, DialSession& session);

    // What Prepare read for the dial that Run then makes (handed over through the base's
    // queue, so Run sees it complete).
    struct Line {
        std::filesystem::path device;
        std::uint32_t speed = 0;
        std::string initString;
        std::string number;
    };

    Phonebook& m_phonebook;
    const ModemEngineOptions m_options;
    Line m_line;
};

}  // namespace linkvane
