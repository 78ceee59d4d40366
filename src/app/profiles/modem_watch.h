#pragma once

// ModemWatch: keeps a dialog's modem list current while the dialog is open. It watches the
// phonebook's port source (a udev monitor of its own) through a QSocketNotifier; when a serial
// port comes or goes, it builds the modem list again from the phonebook and reports it with
// ModemsChanged, at once (well within a second of udev's event). A phonebook that cannot
// follow its ports (Ports() is null) makes a watch that never reports. Borrows the phonebook;
// GUI thread only.

#include <QtCore/QObject>

#include <memory>

#include "core/profiles/phonebook_entries.h"
#include "core/profiles/serial_ports.h"

class QSocketNotifier;

namespace linkvane {

class ModemWatch : public QObject {
    Q_OBJECT

  public:
    ModemWatch(Phonebook& phonebook, QObject* parent);
    ~ModemWatch() override;

  Q_SIGNALS:
    void ModemsChanged(const linkvane::ModemList& modems);

  private:
    void Drain();

    Phonebook& m_phonebook;
    std::unique_ptr<TtyWatch> m_watch;
    std::unique_ptr<QSocketNotifier> m_notifier;  // goes before the watch's descriptor
    SerialPortList m_list;
};

}  // namespace linkvane
