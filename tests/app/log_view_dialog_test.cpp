#include "app/log_view_dialog.h"

#include <QtWidgets/QListView>

#include <gtest/gtest.h>

#include <fstream>

#include "gui_test_environment.h"
#include "support/temp_dir.h"

namespace linkvane {
namespace {

// What the list view shows, read through its model.
QStringList Items(const QListView& list) {
    QStringList items;
    const QAbstractItemModel* model = list.model();
    for (int row = 0; row < model->rowCount(); ++row)
        items.push_back(model->index(row, 0).data().toString());
    return items;
}

// Pieces never split a UTF-8 character; CR LF line ends and a missing last line end are read.
TEST(LogViewDialog, ListsTheLogSortedWithLongLinesSplitIntoPiecesOf254) {
    testing::TempDir dir;
    const auto log = dir.path() / "linkvane" / "connect.log";
    const std::string longEntry(300, 'L');
    {
        CLogViewDlg missing(log);
        EXPECT_TRUE(Items(*missing.List()).isEmpty());
        EXPECT_TRUE(std::filesystem::exists(log));
    }
    std::ofstream(log) << "Zeta - Monday 7 December 2026 09:00:00 (0:00:59)\n"
                       << "alpha - Sunday 6 December 2026 23:10:00 (1:00:00)\r\n\n"
                       << longEntry << " - Sunday 6 December 2026 08:00:00 (25:03:07)\n"
                       << std::string(253, 'y') << "\u20AC.\n"
                       << "Alpha - Monday 7 December 2026 10:00:00 (0:10:00)";

    CLogViewDlg viewer(log);
    QListView* list = viewer.List();
    const QString tail = QStringLiteral(" - Sunday 6 December 2026 08:00:00 (25:03:07)");
    EXPECT_EQ(Items(*list), (QStringList{
                                // Case is ignored: "alpha" and "Alpha" sort by what follows.
                                QStringLiteral("Alpha - Monday 7 December 2026 10:00:00 (0:10:00)"),
                                QStringLiteral("alpha - Sunday 6 December 2026 23:10:00 (1:00:00)"),
                                // The two pieces of the long line, each sorted by its own text.
                                QString(46, QLatin1Char('L')) + tail,
                                QString(254, QLatin1Char('L')),
                                QString(253, QLatin1Char('y')),
                                QStringLiteral("Zeta - Monday 7 December 2026 09:00:00 (0:00:59)"),
                                QStringLiteral("\u20AC."),
                            }))
        << Items(*list).join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(list->accessibleName(), QStringLiteral("Call log"));
}

}  // namespace
}  // namespace linkvane
