#pragma once

// CModemDlg: dialog 202, "Modem". A list of the machine's dial-up devices in the order given
// (BuildModemList sorts them), the first selected, and an OK button; Enter chooses, Escape and
// the close box cancel. GUI thread only.

#include <QtWidgets/QDialog>

#include <optional>
#include <string>

#include "core/profiles/phonebook_entries.h"

class QListWidget;

namespace linkvane {

class CModemDlg : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kDeviceList = 1113;
    static constexpr int kOkButton = 1;
    // Template 202 in dialog units.
    static constexpr QSize kTemplateSize{160, 96};

    explicit CModemDlg(const ModemList& modems, QWidget* parent = nullptr);

    // The device chosen with OK; nullopt before OK, or when nothing was selected.
    const std::optional<std::string>& ChosenDevice() const { return m_chosen; }
    QListWidget* DeviceList() const { return m_list; }

  public Q_SLOTS:
    void accept() override;

  private:
    QListWidget* m_list;
    std::optional<std::string> m_chosen;
};

}  // namespace linkvane
