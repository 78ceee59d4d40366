// The call log written in the locales whose dates and times were hard to read back: the month
// and the volume come from the companion record, the time stays one word, and a line without
// a record is read as well as its date allows, never with a wrong month.

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QProcess>

#include <gtest/gtest.h>

#include "app/call_log_writer.h"
#include "core/connection/call_log.h"
#include "support/temp_dir.h"

namespace linkvane {
namespace {

namespace fs = std::filesystem;

QJsonArray RunLog(const fs::path& home, const QString& locale, const QString& form) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(home.string()));
    // The C library's locales, compiled into the build tree since the machine has only C, so
    // that linkvanectl reads month names as a user of the locale would.
    env.insert(QStringLiteral("LOCPATH"), QStringLiteral(TEST_LOCALES_DIR));
    env.insert(QStringLiteral("LC_ALL"), locale + QStringLiteral(".UTF-8"));
    QProcess ctl;
    ctl.setProcessEnvironment(env);
    QStringList args{QStringLiteral("log"), QStringLiteral("--json")};
    if (form == QStringLiteral("summary"))
        args.push_back(QStringLiteral("--summary"));
    ctl.start(QStringLiteral(LINKVANECTL_PATH), args);
    EXPECT_TRUE(ctl.waitForFinished(60000));
    EXPECT_EQ(ctl.exitCode(), 0) << ctl.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(ctl.readAllStandardOutput()).object().value(form).toArray();
}

std::string Text(const QJsonValue& value) {
    return value.toString().toStdString();
}

TEST(CallLogLocales, MonthsComeFromTheRecordTimesStayWholeAndNoMonthIsGuessedWrong) {
    testing::TempDir home;
    const fs::path log = home.path() / "linkvane" / "connect.log";
    const QDateTime start(QDate(2026, 12, 7), QTime(14, 5, 9));
    const CConnectionRecord call{
        "Ent",  "/dev/ttyS0",         "modem", start.toSecsSinceEpoch(), 61, 7,
        "ppp0", LinkVolume{1000, 200}};
    const struct {
        const char* locale;
        bool monthWithoutRecord;  // whether a line without its record still gives the month
    } cases[] = {
        {"ja_JP", true},  {"zh_CN", true},  {"vi_VN", true},  {"fi_FI", false},
        {"he_IL", false}, {"ar_EG", true},  {"ko_KR", true},  {"fa_IR", false},
        {"eu_ES", false}, {"th_TH", false}, {"fr_CA", false},
    };
    for (const auto& c : cases) {
        const QLocale locale(QString::fromLatin1(c.locale));
        fs::remove(log);
        fs::remove(CallRecordPath(log));
        LogEndedCall(log, call, locale);
        // The same line again, as an older program wrote it: without a record.
        ASSERT_TRUE(AppendCallLog(log, testing::ReadFileText(log)));
        const QString time = locale.toString(
            start.time(), QString::fromStdString(Force24HourTimeFormat(
                              locale.timeFormat(QLocale::LongFormat).toStdString())));
        EXPECT_FALSE(time.contains(QStringLiteral("()")) || time.contains(locale.pmText()))
            << c.locale << ' ' << time.toStdString();

        const QJsonArray calls = RunLog(home.path(), locale.name(), QStringLiteral("calls"));
        ASSERT_EQ(calls.size(), 2) << c.locale;
        for (const auto& logged : calls)
            EXPECT_EQ(Text(logged[QStringLiteral("time")]), time.toStdString()) << c.locale;

        std::string summary;
        for (const auto& row : RunLog(home.path(), locale.name(), QStringLiteral("summary"))) {
            summary += row[QStringLiteral("month")].toString(QStringLiteral("?")).toStdString() +
                       " " + std::to_string(row[QStringLiteral("calls")].toInt()) + " " +
                       std::to_string(row[QStringLiteral("bytesIn")].toInt(-1)) + ";";
        }
        EXPECT_EQ(summary, c.monthWithoutRecord ? "2026-12 2 1000;" : "? 1 -1;2026-12 1 1000;")
            << c.locale;
    }
}

}  // namespace
}  // namespace linkvane
