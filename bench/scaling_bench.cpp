// How the work of two operations grows with their input, which must be linear or n log n:
//
// - parsing a phonebook of 20k, 40k and 80k entries (every command reads the phonebook), with
//   nlohmann-json's bare parse of the same text as the reference;
// - "linkvanectl reg query KEY --json" on a key of 100k and 200k values, with the text form of
//   the same query as the reference.
//
// Prints each time, the growth ratio from one size to the next (2.0 is linear for a doubled
// input) and the ratio to the reference; each time is the best of five runs. Usage: scaling_bench
// [directory]

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>

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

}  // namespace

int main(int argc, char** argv) {
    fs::path dir = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "linkvane-scaling";
    dir /= std::to_string(::getpid());
    fs::create_directories(dir);
    BenchPhonebook();
    BenchRegQuery(dir);
    fs::remove_all(dir);
    return 0;
}
