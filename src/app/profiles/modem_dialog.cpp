#include "app/profiles/modem_dialog.h"

#include <QtWidgets/QListWidget>
#include <QtWidgets/QPushButton>

#include "app/profiles/form_controls.h"
#include "controls/dialog_units.h"
#include "core/util/one_line.h"

namespace linkvane {

CModemDlg::CModemDlg(const ModemList& modems, QWidget* parent)
    : QDialog(parent), m_list(new QListWidget(this)) {
    setWindowTitle(QStringLiteral("Modem"));
    setFixedSize(DialogUnitsToPixels(kTemplateSize));
    m_list->setObjectName(QString::number(kDeviceList));
    m_list->setAccessibleName(QStringLiteral("Modem"));
    m_list->setGeometry(DialogUnitsToPixels(QRect(7, 7, 146, 62)));
    for (const std::string& name : modems.names) {
        // Shown escaped (OneLine); the device's own path rides along as the item's data.
        auto* item = new QListWidgetItem(QString::fromStdString(OneLine(name)), m_list);
        item->setData(Qt::UserRole, QString::fromStdString(name));
    }
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &CModemDlg::accept);

    QPushButton* ok = MakeButton(kOkButton, QStringLiteral("OK"), this);
    ok->setDefault(true);
    ok->setGeometry(DialogUnitsToPixels(QRect(55, 75, 50, 14)));
    connect(ok, &QPushButton::clicked, this, &CModemDlg::accept);
}

void CModemDlg::accept() {
    if (const QListWidgetItem* item = m_list->currentItem(); item != nullptr)
        m_chosen = item->data(Qt::UserRole).toString().toStdString();
    QDialog::accept();
}

}  // namespace linkvane
