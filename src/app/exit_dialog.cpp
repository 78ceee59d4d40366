#include "app/exit_dialog.h"

#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

namespace linkvane {

CExitDlg::CExitDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Exit Linkvane"));

    auto* question = new QLabel(QStringLiteral("Do you really want to exit Linkvane?"), this);
    question->setObjectName(QStringLiteral("question"));
    auto* warning = new QLabel(
        QStringLiteral("Exiting the Linkvane application now will result in the termination "
                       "of your currently connected internet session."),
        this);
    warning->setObjectName(QStringLiteral("warning"));
    for (QLabel* label : {question, warning}) {
        label->setAlignment(Qt::AlignHCenter);
        label->setWordWrap(true);
    }

    auto* buttons = new QDialogButtonBox(this);
    buttons->setCenterButtons(true);
    QPushButton* yes = buttons->addButton(QStringLiteral("Yes"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("No"), QDialogButtonBox::RejectRole);
    yes->setDefault(true);
    yes->setFocus();
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(question);
    layout->addWidget(warning);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    setFixedWidth(340);
}

CExitDlg::~CExitDlg() = default;

}  // namespace linkvane
