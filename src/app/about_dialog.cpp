#include "app/about_dialog.h"

#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>

#include "controls/resource_ids.h"
#include "controls/resource_images.h"

namespace linkvane {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Linkvane"));
    const QIcon icon = LoadIconResource(resource::kAppIcon);
    setWindowIcon(icon);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("icon"));
    picture->setPixmap(icon.pixmap(QSize(32, 32), devicePixelRatioF()));
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* version = new QLabel(
        QStringLiteral("Linkvane Version %1").arg(QLatin1String(LINKVANE_VERSION)), this);
    version->setObjectName(QStringLiteral("version"));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(picture, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(version, 0, 1, Qt::AlignVCenter);
    layout->addWidget(buttons, 0, 2, Qt::AlignTop);
    layout->setColumnStretch(1, 1);
    layout->setHorizontalSpacing(14);
    setMinimumWidth(300);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

CAboutDlg::~CAboutDlg() = default;

}  // namespace linkvane
