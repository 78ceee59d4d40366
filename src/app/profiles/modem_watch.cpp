#include "app/profiles/modem_watch.h"

#include <QtCore/QSocketNotifier>

namespace linkvane {

ModemWatch::ModemWatch(Phonebook& phonebook, QObject* parent)
    : QObject(parent), m_phonebook(phonebook) {
    TtySource* ports = phonebook.Ports();
    m_watch = ports != nullptr ? ports->Watch() : nullptr;
    if (m_watch == nullptr)
        return;
    if (Result<std::vector<TtyDevice>> present = ports->Enumerate(); present)
        m_list.Reset(*present);
    m_notifier = std::make_unique<QSocketNotifier>(m_watch->Fd(), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &ModemWatch::Drain);
}

ModemWatch::~ModemWatch() = default;

void ModemWatch::Drain() {
    bool changed = false;
    for (const TtyEvent& event : m_watch->TakeEvents())
        changed = m_list.Apply(event).has_value() || changed;
    if (changed)
        Q_EMIT ModemsChanged(BuildModemList(m_phonebook));
}

}  // namespace linkvane
