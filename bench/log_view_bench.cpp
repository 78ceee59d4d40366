// The call log viewer opening a 100,000-line log, against reading and splitting that log.
//
//   log_view_bench [lines]        (default 100000; any display, or offscreen)
//
// Writes a log of the given number of calls (entries spread over 40 providers, lines of the
// usual length, a few longer than 254 bytes), then times, best of five: the reference, reading
// the log into its pieces as the viewer does; and the viewer itself, from construction until
// it has been shown and painted. The goal is at most 0.5 s for the viewer.

#include <QtTest/QTest>
#include <QtWidgets/QApplication>

#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/log_view_dialog.h"
#include "core/connection/call_log.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration elapsed) {
    return std::chrono::duration<double>(elapsed).count();
}

template <class F>
double BestOfFive(F run) {
    double best = 1e9;
    for (int i = 0; i < 5; ++i) {
        const auto start = Clock::now();
        run();
        best = std::min(best, Seconds(Clock::now() - start));
    }
    return best;
}

void WriteLog(const std::filesystem::path& path, int lines) {
    std::ofstream out(path);
    for (int i = 0; i < lines; ++i) {
        const std::string entry =
            (i % 500 == 0 ? std::string(300, 'X') : "Provider ") + std::to_string(i % 40);
        out << linkvane::FormatCallLogLine(entry, "Monday, 7 December 2026",
                                           std::to_string(10 + i % 14) + ":15:07", i % 7200);
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    if (std::getenv("DISPLAY") == nullptr)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    char dir[] = "/tmp/linkvane-bench-XXXXXX";
    if (::mkdtemp(dir) == nullptr)
        return 2;
    const std::filesystem::path log = std::filesystem::path(dir) / "connect.log";
    WriteLog(log, lines);

    std::size_t pieces = 0;
    const double reference = BestOfFive([&] { pieces = linkvane::ReadCallLogPieces(log)->size(); });
    int listed = 0;
    const double viewer = BestOfFive([&] {
        linkvane::CLogViewDlg dialog(log);
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog))
            std::fprintf(stderr, "The viewer was not shown\n");
        listed = static_cast<int>(dialog.Lines().size());
    });
    std::filesystem::remove_all(dir);
    std::printf("log viewer, %d-line log (%zu pieces, %d listed):\n", lines, pieces, listed);
    std::printf("  reading and splitting the log  %.3f s\n", reference);
    std::printf("  opening the viewer             %.3f s  (goal <= 0.5 s: %.2fx the goal)\n",
                viewer, viewer / 0.5);
    std::printf("  ratio viewer / reading: %.1fx\n", viewer / reference);
    return listed == static_cast<int>(pieces) ? 0 : 1;
}
