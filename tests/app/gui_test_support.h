#pragma once

// Helpers for tests that run the program's real windows (the QApplication comes from
// gui_test_environment.h): the main window over stores in a scratch configuration home,
// and modal boxes answered from a timer.

#include <QtCore/QString>
#include <QtCore/QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "platform/phonebook_file.h"
#include "platform/ppp_links.h"
#include "platform/sqlite_registry_store.h"
#include "support/dial_peers.h"
#include "support/temp_dir.h"
#include "tools/recorded_udev.h"

class QWidget;

namespace linkvane::testing {

// The main window's stores in a scratch configuration home: the registry, the phonebook
// (the machine's serial ports played by m_ports) and pppd's links (pid files in scratch/run,
// interfaces in scratch/net, pppd's stand-in taken for pppd). Closing the window's dialogs does not
// end the test program.
class ShellTest : public ConfigHomeTest {
  protected:
    void SetUp() override;
    // A window over these stores; `adjust` changes its services first.
    std::unique_ptr<CLinkvaneDlg> MakeWindow(
        const std::function<void(MainWindowServices&)>& adjust = {});

    TempDir m_scratch;
    std::shared_ptr<RecordedUdev> m_ports = std::make_shared<RecordedUdev>();
    std::unique_ptr<SqliteRegistryStore> m_registry;
    std::unique_ptr<PhonebookFile> m_phonebook;
    std::unique_ptr<PppLinks> m_links;
};

// A shell whose window dials the simulated modem through pppd's stand-in ("up" unless the test
// says otherwise, any password), whose pid files and interface are in scratch/run and
// scratch/net for the call monitor.
class DialShellTest : public ShellTest {
  protected:
    void SetUp() override;
    // RedialAttempts and RedialTimeout.
    void Settings(std::uint32_t attempts, std::uint32_t timeout);
    void Modem(const std::string& script);
    // A phonebook entry on the modem and its profile, password "s3cret".
    void AddProfile(const std::string& name, const std::string& number,
                    const std::string& login = "jo", std::int32_t useLan = 0);
    // The window with the modem engine; `adjust` changes its services further.
    std::unique_ptr<CLinkvaneDlg> MakeDialWindow(
        const std::function<void(MainWindowServices&)>& adjust = {});

    std::unique_ptr<ModemSimulator> m_modem;
};

// Answers every message box as it opens and writes it down as "caption: text".
class MessageLog {
  public:
    MessageLog();
    std::vector<std::string> boxes;
    std::vector<std::string> details;

  private:
    QTimer m_poll;
};

// Runs `action` on the modal widget that is active `delay` from now, retrying until one
// appears (up to two seconds). Records whether it ran.
class ModalAnswer {
  public:
    ModalAnswer(std::function<void(QWidget&)> action,
                std::chrono::milliseconds delay = std::chrono::milliseconds(100));
    bool ran() const { return *m_ran; }

  private:
    std::shared_ptr<bool> m_ran;
};

}  // namespace linkvane::testing
