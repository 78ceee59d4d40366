#include "app/profiles/modem_dialog.h"

#include <QtWidgets/QLabel>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QPushButton>

#include "app/profiles/form_controls.h"
#include "app/profiles/modem_watch.h"
#include "controls/dialog_units.h"
#include "core/util/one_line.h"
#include "platform/modem_probe.h"

namespace linkvane {

namespace {

QString ChoiceText(const ModemChoice& choice) {
    std::string text = OneLine(choice.device);
    if (!choice.detail.empty())
        text += "  (" + OneLine(choice.detail) + ")";
    return QString::fromStdString(text);
}

QString Device(const QListWidgetItem* item) {
    return item->data(Qt::UserRole).toString();
}

}  // namespace

CModemDlg::CModemDlg(const ModemList& modems, QWidget* parent, Phonebook* phonebook)
    : QDialog(parent),
      m_list(new QListWidget(this)),
      m_detect(MakeButton(kDetectButton, QStringLiteral("&Detect"), this)),
      m_results(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Modem"));
    setFixedSize(DialogUnitsToPixels(kTemplateSize));
    m_list->setObjectName(QString::number(kDeviceList));
    m_list->setAccessibleName(QStringLiteral("Modem"));
    m_list->setGeometry(DialogUnitsToPixels(QRect(7, 7, 146, 62)));
    Fill(modems);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &CModemDlg::accept);

    QPushButton* ok = MakeButton(kOkButton, QStringLiteral("OK"), this);
    ok->setDefault(true);
    ok->setGeometry(DialogUnitsToPixels(QRect(55, 75, 50, 14)));
    connect(ok, &QPushButton::clicked, this, &CModemDlg::accept);

    m_detect->setGeometry(DialogUnitsToPixels(QRect(108, 75, 45, 14)));
    connect(m_detect, &QPushButton::clicked, this, &CModemDlg::Detect);
    m_results->setObjectName(QString::number(kDetectResults));
    m_results->setTextFormat(Qt::PlainText);
    m_results->setWordWrap(true);
    m_results->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_results->setGeometry(DialogUnitsToPixels(QRect(7, 95, 146, 40)));

    if (phonebook != nullptr) {
        auto* watch = new ModemWatch(*phonebook, this);
        connect(watch, &ModemWatch::ModemsChanged, this, &CModemDlg::Fill);
    }
}

CModemDlg::~CModemDlg() = default;  // m_probe: stop requested, then joined

void CModemDlg::Fill(const ModemList& modems) {
    const QString selected =
        m_list->currentItem() != nullptr ? Device(m_list->currentItem()) : QString();
    m_list->clear();
    for (const ModemChoice& choice : modems.choices) {
        // Shown escaped (OneLine); the device's own path rides along as the item's data.
        auto* item = new QListWidgetItem(ChoiceText(choice), m_list);
        item->setData(Qt::UserRole, QString::fromStdString(choice.device));
        if (Device(item) == selected)
            m_list->setCurrentItem(item);
    }
    if (m_list->currentItem() == nullptr && m_list->count() > 0)
        m_list->setCurrentRow(0);
}

void CModemDlg::Detect() {
    std::vector<std::string> devices;
    for (int row = 0; row < m_list->count(); ++row)
        devices.push_back(Device(m_list->item(row)).toStdString());
    if (devices.empty())
        return;
    m_detect->setEnabled(false);
    m_results->setText(QStringLiteral("Detecting modems..."));
    m_probe = std::jthread([this, devices = std::move(devices)](std::stop_token stop) {
        std::vector<ProbeResult> results = ProbeModems(devices, ProbeOptions{}, stop);
        if (stop.stop_requested())
            return;
        QMetaObject::invokeMethod(
            this, [this, results = std::move(results)] { ShowProbeResults(results); },
            Qt::QueuedConnection);
    });
}

void CModemDlg::ShowProbeResults(const std::vector<ProbeResult>& results) {
    QStringList lines;
    bool selected = false;
    for (const ProbeResult& result : results) {
        lines.append(
            QString::fromStdString(OneLine(result.device) + ": " + OneLine(result.reason)));
        for (int row = 0;
             !selected && result.verdict == ProbeVerdict::Modem && row < m_list->count(); ++row) {
            selected = Device(m_list->item(row)).toStdString() == result.device;
            if (selected)
                m_list->setCurrentRow(row);
        }
    }
    m_results->setText(lines.join(QLatin1Char('\n')));
    m_detect->setEnabled(true);
}

void CModemDlg::accept() {
    if (const QListWidgetItem* item = m_list->currentItem(); item != nullptr)
        m_chosen = Device(item).toStdString();
    QDialog::accept();
}

}  // namespace linkvane
