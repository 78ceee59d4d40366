#include <gtest/gtest.h>
#include <QtCore/QTimer>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>

#include "app/about_dialog.h"
#include "app/exit_dialog.h"
#include "app/new_mail_dialog.h"
#include "gui_test_environment.h"

namespace linkvane {
namespace {

QPushButton* Button(QDialog& dialog, const QString& text) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text() == text) {
            return button;
        }
    }
    return nullptr;
}

// Runs the dialog modally and presses `key` on it once it is up; returns the result.
int ExecPressing(QDialog& dialog, Qt::Key key) {
    QTimer::singleShot(50, &dialog, [&dialog, key] {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &dialog;
        QTest::keyClick(target, key);
    });
    return dialog.exec();
}

TEST(AboutDialog, ShowsNameVersionAndIconAndClosesWithOk) {
    for (int round = 0; round < 2; ++round) {
        CAboutDlg about;
        EXPECT_EQ(about.windowTitle(), QStringLiteral("About Linkvane"));
        const auto* version = about.findChild<QLabel*>(QStringLiteral("version"));
        ASSERT_NE(version, nullptr);
        EXPECT_EQ(version->text(), QStringLiteral("Linkvane Version 1.15"));
        const auto* icon = about.findChild<QLabel*>(QStringLiteral("icon"));
        ASSERT_NE(icon, nullptr);
        EXPECT_FALSE(icon->pixmap().isNull());
        QPushButton* ok = Button(about, QStringLiteral("OK"));
        ASSERT_NE(ok, nullptr);
        EXPECT_TRUE(ok->isDefault());
        EXPECT_EQ(ExecPressing(about, Qt::Key_Return), QDialog::Accepted);
    }
}

TEST(NewMailDialog, ShowsTheTextUnchangedAtItsSize) {
    CNewMailDlg notice;
    EXPECT_EQ(notice.windowTitle(), QStringLiteral("New Email Messages"));
    EXPECT_EQ(notice.size(), QSize(240, 111));
    const QString text = QStringLiteral("3 New Messages (48213 bytes)");
    notice.SetText(text);
    const auto* label = notice.findChild<QLabel*>(QStringLiteral("text"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), text);
    EXPECT_EQ(notice.Text(), text);
    EXPECT_EQ(ExecPressing(notice, Qt::Key_Return), QDialog::Accepted);
}

TEST(NewMailDialog, CloseBoxAndEscapeEndItLikeCancel) {
    CNewMailDlg notice;
    QTimer::singleShot(50, &notice, [&notice] { notice.close(); });
    EXPECT_EQ(notice.exec(), QDialog::Rejected);
    EXPECT_EQ(ExecPressing(notice, Qt::Key_Escape), QDialog::Rejected);
}

TEST(ExitDialog, AsksWithYesAsDefaultAndNoToStay) {
    CExitDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Exit Linkvane"));
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        texts << label->text();
        EXPECT_TRUE(label->alignment().testFlag(Qt::AlignHCenter));
    }
    EXPECT_TRUE(texts.contains(QStringLiteral("Do you really want to exit Linkvane?")));
    EXPECT_TRUE(texts.contains(
        QStringLiteral("Exiting the Linkvane application now will result in the termination of "
                       "your currently connected internet session.")));
    QPushButton* yes = Button(dialog, QStringLiteral("Yes"));
    QPushButton* no = Button(dialog, QStringLiteral("No"));
    ASSERT_NE(yes, nullptr);
    ASSERT_NE(no, nullptr);
    EXPECT_TRUE(yes->isDefault());
    EXPECT_EQ(ExecPressing(dialog, Qt::Key_Return), QDialog::Accepted);

    QTimer::singleShot(50, no, [no] { no->click(); });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(ExecPressing(dialog, Qt::Key_Escape), QDialog::Rejected);
}

}  // namespace
}  // namespace linkvane
