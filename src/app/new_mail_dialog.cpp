#include "app/new_mail_dialog.h"

#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>

#include "controls/dialog_units.h"

namespace linkvane {

CNewMailDlg::CNewMailDlg(QWidget* parent) : QDialog(parent), m_text(new QLabel(this)) {
    setWindowTitle(QStringLiteral("New Email Messages"));
    setFixedSize(DialogUnitsToPixels(QSize(160, 68)));

    m_text->setObjectName(QStringLiteral("text"));
    m_text->setGeometry(DialogUnitsToPixels(QRect(7, 7, 146, 26)));
    m_text->setWordWrap(true);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(DialogUnitsToPixels(QRect(55, 45, 50, 14)));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

CNewMailDlg::~CNewMailDlg() = default;

void CNewMailDlg::SetText(const QString& text) {
    m_text->setText(text);
}

QString CNewMailDlg::Text() const {
    return m_text->text();
}

}  // namespace linkvane
