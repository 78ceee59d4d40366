#include "app/log_view_dialog.h"

#include <QtWidgets/QListWidget>
#include <QtWidgets/QPushButton>

#include <algorithm>

#include "controls/dialog_units.h"
#include "core/connection/call_log.h"

namespace linkvane {

namespace {

// Layout of template 199, in dialog units.
constexpr QSize kTemplateSize{289, 226};
constexpr QRect kListRect{7, 7, 275, 164};
constexpr QRect kOkRect{119, 205, 50, 14};

QStringList SortedPieces(const std::filesystem::path& logPath) {
    QStringList lines;
    if (const auto pieces = ReadCallLogPieces(logPath)) {
        lines.reserve(static_cast<qsizetype>(pieces->size()));
        for (const std::string& piece : *pieces)
            lines.push_back(QString::fromStdString(piece));
    }
    std::stable_sort(lines.begin(), lines.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return lines;
}

}  // namespace

CLogViewDlg::CLogViewDlg(const std::filesystem::path& logPath, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dialog-%1").arg(kTemplateId));
    setWindowTitle(QStringLiteral("Dialog"));
    setFixedSize(DialogUnitsToPixels(kTemplateSize));

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("control-%1").arg(kListId));
    m_list->setAccessibleName(QStringLiteral("Call log"));
    m_list->setGeometry(DialogUnitsToPixels(kListRect));
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_list->setUniformItemSizes(true);  // a long log lays out without measuring every line
    // Sorted once here rather than by the widget, which would re-sort at every insertion.
    m_list->addItems(SortedPieces(logPath));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setAccessibleName(QStringLiteral("OK"));
    ok->setGeometry(DialogUnitsToPixels(kOkRect));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

CLogViewDlg::~CLogViewDlg() = default;

}  // namespace linkvane
