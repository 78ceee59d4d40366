// How the work of two operations grows with their input, which must be linear or n log n:
//
// - parsing a phonebook of 20k, 40k and 80k entries (every command reads the phonebook), with
//   nlohmann-json's bare parse of the same text as the reference;
// - "linkvanectl reg query KEY --json" on a key of 100k and 200k values, with the text form of
//   the same query as the reference;
// - "linkvanectl log" in its plain, summary and JSON forms on a call log of 50 and 100 MB
//   (with its companion of records), with "wc -l" on the same log as the reference; each run's
//   peak resident memory is printed too, and must not grow with the log except for the JSON
//   list of calls (which it streams as well).
//
// Prints each time, the growth ratio from one size to the next (2.0 is linear for a doubled
// input) and the ratio to the reference; each time is the best of five runs (three for the
// log). Usage: scaling_bench [directory]

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "core/connection/call_log.h"

#include "core/profiles/registry_item.h"
#include "platform/phonebook_file.h"
#include "platform/sqlite_registry_store.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The best of five runs: the machines here are shared, and the fastest run is the one that
// other work disturbed least.
double Seconds(const std::function<void()>& work) {
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

std::string PhonebookText(int entries) {
    nlohmann::ordered_json doc = {{"version", 1}, {"entries", nlohmann::ordered_json::array()}};
    for (int i = 0; i < entries; ++i) {
        doc["entries"].push_back({{"name", "Provider " + std::to_string(i)},
                                  {"localPhoneNumber", "0845" + std::to_string(i)},
                                  {"deviceName", "/dev/ttyUSB0"},
                                  {"dialParams", {{"userName", "u"}, {"password", "p"}}}});
    }
    return doc.dump();
}

void BenchPhonebook() {
    double previous = 0;
    for (const int entries : {20000, 40000, 80000}) {
        const std::string text = PhonebookText(entries);
        const double ours = Seconds([&] {
            if (!linkvane::ParsePhonebook(text))
                std::abort();
        });
        const double bare = Seconds([&] {
            if (nlohmann::ordered_json::parse(text).is_discarded())
                std::abort();
        });
        std::printf("phonebook parse %6d entries: %.3f s (%.2fx the bare JSON parse)", entries,
                    ours, ours / bare);
        if (previous > 0)
            std::printf(", growth %.2fx", ours / previous);
        std::printf("\n");
        previous = ours;
    }
}

// Runs linkvanectl with its output thrown away; the time of the run.
double TimeCtl(const fs::path& configHome, const std::string& args) {
    const std::string command = "XDG_CONFIG_HOME='" + configHome.string() + "' '" +
                                LINKVANECTL_PATH + "' " + args + " >/dev/null";
    return Seconds([&] {
        if (std::system(command.c_str()) != 0)
            std::abort();
    });
}

void BenchRegQuery(const fs::path& dir) {
    double previous = 0;
    for (const int values : {100000, 200000}) {
        const fs::path home = dir / ("values" + std::to_string(values));
        {
            linkvane::SqliteRegistryStore store(home / "linkvane");
            auto tx = store.BeginTransaction(linkvane::RegistryRoot::CurrentUser);
            const auto key = store.OpenKey(linkvane::RegistryRoot::CurrentUser, "Big", true);
            for (int i = 0; i < values; ++i) {
                store.SetValue(key.value, "Value " + std::to_string(i),
                               linkvane::MakeDwordValue(static_cast<std::uint32_t>(i),
                                                        linkvane::RegType::Dword));
            }
            tx->Commit();
        }
        const double json = TimeCtl(home, "reg query '\\Big\\' --json");
        const double text = TimeCtl(home, "reg query '\\Big\\'");
        std::printf("reg query --json %6d values: %.3f s (%.2fx the text form, %.3f s)", values,
                    json, json / text, text);
        if (previous > 0)
            std::printf(", growth %.2fx", json / previous);
        std::printf("\n");
        previous = json;
    }
}

// A call log of about `megabytes` MB: twenty providers over two years, three calls in four
// with a record in the companion.
void WriteCallLog(const fs::path& log, int megabytes) {
    fs::create_directories(log.parent_path());
    std::ofstream lines(log, std::ios::binary);
    std::ofstream records(linkvane::CallRecordPath(log), std::ios::binary);
    std::uint64_t offset = 0;
    for (int call = 0; offset < static_cast<std::uint64_t>(megabytes) << 20; ++call) {
        const int month = call % 24;
        const std::string start = std::to_string(2025 + month / 12) + "-" +
                                  (month % 12 < 9 ? "0" : "") + std::to_string(month % 12 + 1) +
                                  "-07T14:03:07+01:00";
        const std::string line =
            linkvane::FormatCallLogLine("Provider " + std::to_string(call % 20),
                                        "Monday, 7 " + start.substr(0, 7), "14:03:07", call % 7200);
        if (call % 4 != 0) {
            records << linkvane::EncodeCallRecord(
                {offset, linkvane::CallLineKey(line), {start, linkvane::LinkVolume{123456, 7890}}});
        }
        lines << line;
        offset += line.size();
    }
}

struct Measured {
    double seconds = 1e9;  // the best run
    double peakMiB = 0;    // the largest peak resident memory of the runs
};

// "scaling_bench --peak PROGRAM ARGS...": runs the program once with its output thrown away
// and prints its wall time and peak resident memory (KiB). The benchmark measures through a
// fresh process of its own, because the kernel counts the memory a child had before exec
// (here the whole benchmark's) into the child's peak.
int PeakOfOneRun(char** argv) {
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (std::freopen("/dev/null", "w", stdout) == nullptr)
            ::_exit(127);
        ::execv(argv[0], argv);
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return 1;
    std::printf("%f %ld\n", std::chrono::duration<double>(Clock::now() - start).count(),
                usage.ru_maxrss);
    return 0;
}

// The best of three runs of the program, with XDG_DATA_HOME set.
Measured Measure(const std::vector<std::string>& args, const fs::path& dataHome) {
    ::setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
    std::string command = "'" + fs::read_symlink("/proc/self/exe").string() + "' --peak";
    for (const std::string& arg : args)
        command += " '" + arg + "'";
    Measured measured;
    for (int run = 0; run < 3; ++run) {
        FILE* helper = ::popen(command.c_str(), "r");
        double seconds = 0;
        long peakKiB = 0;
        if (helper == nullptr || std::fscanf(helper, "%lf %ld", &seconds, &peakKiB) != 2 ||
            ::pclose(helper) != 0)
            std::abort();
        measured.seconds = std::min(measured.seconds, seconds);
        measured.peakMiB = std::max(measured.peakMiB, static_cast<double>(peakKiB) / 1024);
    }
    return measured;
}

void BenchCallLog(const fs::path& dir) {
    const std::vector<std::vector<std::string>> forms = {
        {"log"}, {"log", "--summary"}, {"log", "--json", "--summary"}, {"log", "--json"}};
    for (const int megabytes : {50, 100}) {
        const fs::path log = dir / "data" / "linkvane" / "connect.log";
        WriteCallLog(log, megabytes);
        const Measured reference = Measure({"/usr/bin/wc", "-l", log.string()}, dir / "data");
        for (const auto& form : forms) {
            std::vector<std::string> args{LINKVANECTL_PATH};
            args.insert(args.end(), form.begin(), form.end());
            const Measured ctl = Measure(args, dir / "data");
            std::string name;
            for (const std::string& word : form)
                name += word + " ";
            std::printf("%-22s %3d MB: %.2f s (%.1fx wc -l, %.2f s), peak %.1f MiB (wc -l %.1f)\n",
                        name.c_str(), megabytes, ctl.seconds, ctl.seconds / reference.seconds,
                        reference.seconds, ctl.peakMiB, reference.peakMiB);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::string(argv[1]) == "--peak")
        return PeakOfOneRun(argv + 2);
    fs::path dir = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "linkvane-scaling";
    dir /= std::to_string(::getpid());
    fs::create_directories(dir);
    BenchPhonebook();
    BenchRegQuery(dir);
    BenchCallLog(dir);
    fs::remove_all(dir);
    return 0;
}
