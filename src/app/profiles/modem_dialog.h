#pragma once

// CModemDlg: dialog 202, "Modem". A list of the machine's dial-up devices in the order given
// (BuildModemList sorts them), each with what the machine says of it, the first selected, and
// an OK button; Enter chooses, Escape and the close box cancel.
//
// Given the phonebook, the list follows the machine's ports while the dialog is open
// (ModemWatch): the selection stays on its device while that is listed. "Detect", beside OK,
// probes every listed device at once (platform/modem_probe.h) and shows below what each one
// is, a modem and its model or why not; the first modem found is selected.
//
// GUI thread only, but for the probe: it runs on a thread of the dialog's own, and its
// results come back to the GUI thread through a queued call. Closing the dialog stops the
// probe and waits for it (at most one modem command's answer time).

#include <QtWidgets/QDialog>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/connection/modem_probe.h"
#include "core/profiles/phonebook_entries.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace linkvane {

class CModemDlg : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kDeviceList = 1113;
    static constexpr int kOkButton = 1;
    static constexpr int kDetectButton = 1114;
    static constexpr int kDetectResults = 1115;
    // Template 202 in dialog units, grown below its controls for Detect's results.
    static constexpr QSize kTemplateSize{160, 140};

    explicit CModemDlg(const ModemList& modems, QWidget* parent = nullptr,
                       Phonebook* phonebook = nullptr);
    ~CModemDlg() override;

    // The device chosen with OK; nullopt before OK, or when nothing was selected.
    const std::optional<std::string>& ChosenDevice() const { return m_chosen; }
    QListWidget* DeviceList() const { return m_list; }
    QPushButton* DetectButton() const { return m_detect; }
    QLabel* DetectResults() const { return m_results; }

  public Q_SLOTS:
    void accept() override;
    void Detect();

  private:
    void Fill(const ModemList& modems);
    void ShowProbeResults(const std::vector<ProbeResult>& results);

    QListWidget* m_list;
    QPushButton* m_detect;
    QLabel* m_results;
    std::optional<std::string> m_chosen;
    std::jthread m_probe;
};

}  // namespace linkvane
