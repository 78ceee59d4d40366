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

// Runs the dialog modally and presses `key` on it once it is up; returns the result.
int ExecPressing(QDialog& dialog, Qt::Key key) {
    QTimer::singleShot(50, &dialog, [&dialog, key] {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &dialog;
        QTest::keyClick(target, key);
    });
    return dialog.exec();
}

TEST(Dialogs, ReturnPressesTheDefaultButtonEscapeNoOrTheCloseBoxCancelAndEachShowsItsText) {
    CAboutDlg about;
    CNewMailDlg notice;
    CExitDlg exit;
    const struct {
        QDialog* dialog;
        Qt::Key key;
        int result;
    } cases[] = {{&about, Qt::Key_Return, QDialog::Accepted},
                 {&notice, Qt::Key_Return, QDialog::Accepted},
                 {&notice, Qt::Key_Escape, QDialog::Rejected},
                 {&exit, Qt::Key_Return, QDialog::Accepted},
                 {&exit, Qt::Key_Escape, QDialog::Rejected}};
    for (const auto& c : cases) {
        EXPECT_EQ(ExecPressing(*c.dialog, c.key), c.result)
            << c.dialog->windowTitle().toStdString() << " key " << c.key;
    }
    QTimer::singleShot(50, &notice, [&notice] { notice.close(); });
    EXPECT_EQ(notice.exec(), QDialog::Rejected);
    for (QPushButton* button : exit.findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("No"))
            QTimer::singleShot(50, button, &QPushButton::click);
    }
    EXPECT_EQ(exit.exec(), QDialog::Rejected);

    // The icon is loaded afresh for every About box, not only the first.
    CAboutDlg second;
    for (const CAboutDlg* box : {&about, &second}) {
        const auto* icon = box->findChild<QLabel*>(QStringLiteral("icon"));
        ASSERT_NE(icon, nullptr);
        EXPECT_FALSE(icon->pixmap().isNull());
    }
    const QString text = QStringLiteral("3 New Messages (48213 bytes)");
    notice.SetText(text);
    const auto* label = notice.findChild<QLabel*>(QStringLiteral("text"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), text);

    for (const QLabel* question : exit.findChildren<QLabel*>())
        EXPECT_TRUE(question->alignment().testFlag(Qt::AlignHCenter));
}

}  // namespace
}  // namespace linkvane
