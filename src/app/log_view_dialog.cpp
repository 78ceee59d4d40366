#include "app/log_view_dialog.h"

#include <QtCore/QStringListModel>
#include <QtWidgets/QListView>
#include <QtWidgets/QPushButton>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "controls/dialog_units.h"
#include "core/connection/call_log.h"

namespace linkvane {

namespace {

// Layout of template 199, in dialog units.
constexpr QSize kTemplateSize{289, 226};
constexpr QRect kListRect{7, 7, 275, 164};
constexpr QRect kOkRect{119, 205, 50, 14};

// Sorted by text with ASCII case ignored. Each piece's key is made once and compared as bytes,
// which keeps a long log quick to open; UTF-8 bytes sort in the order of their characters.
QStringList SortedPieces(const std::filesystem::path& logPath) {
    auto pieces = ReadCallLogPieces(logPath);
    if (!pieces)
        return {};
    std::vector<std::pair<std::string, std::size_t>> keyed;
    keyed.reserve(pieces->size());
    for (std::size_t i = 0; i < pieces->size(); ++i) {
        std::string key = (*pieces)[i];
        std::transform(key.begin(), key.end(), key.begin(), [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        });
        keyed.emplace_back(std::move(key), i);
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(keyed.size()));
    for (const auto& [key, index] : keyed)
        lines.push_back(QString::fromStdString((*pieces)[index]));
    return lines;
}

}  // namespace

CLogViewDlg::CLogViewDlg(const std::filesystem::path& logPath, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dialog-%1").arg(kTemplateId));
    setWindowTitle(QStringLiteral("Dialog"));
    setFixedSize(DialogUnitsToPixels(kTemplateSize));

    m_lines = new QStringListModel(SortedPieces(logPath), this);
    m_list = new QListView(this);
    m_list->setObjectName(QStringLiteral("control-%1").arg(kListId));
    m_list->setAccessibleName(QStringLiteral("Call log"));
    m_list->setGeometry(DialogUnitsToPixels(kListRect));
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_list->setUniformItemSizes(true);  // a long log lays out without measuring every line
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Sorted once when read, rather than by the view at every insertion.
    m_list->setModel(m_lines);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setAccessibleName(QStringLiteral("OK"));
    ok->setGeometry(DialogUnitsToPixels(kOkRect));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

CLogViewDlg::~CLogViewDlg() = default;

QStringList CLogViewDlg::Lines() const {
    return m_lines->stringList();
}

}  // namespace linkvane
