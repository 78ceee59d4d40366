// Times SaveProfile + LoadProfile through the registry accessor and the SQLite store, against
// raw SQLite doing the same 27 upserts in one transaction on a table of its own, in the same
// run, on the same file system and with the same durability settings. Prints both times and
// their ratio; machines here are noisy, so only the ratio is meant to be compared.
//
// Usage: profile_store_bench [iterations] [directory]

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/profiles/profile_store.h"
#include "platform/sqlite_registry_store.h"
#include "support/samples.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Exec(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

// The reference: 27 upserts of the same names and sizes in one durable transaction.
double RawUpserts(sqlite3* db, sqlite3_stmt* upsert, int round) {
    const auto start = Clock::now();
    Exec(db, "BEGIN IMMEDIATE");
    for (int i = 0; i < 27; ++i) {
        const std::string name = "Value" + std::to_string(i);
        const std::string data = "data-" + std::to_string(round) + "-" + std::to_string(i);
        sqlite3_bind_text(upsert, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_blob(upsert, 2, data.data(), static_cast<int>(data.size()), SQLITE_TRANSIENT);
        sqlite3_step(upsert);
        sqlite3_reset(upsert);
    }
    Exec(db, "COMMIT");
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int iterations = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    std::filesystem::path dir = argc > 2 ? std::filesystem::path(argv[2])
                                         : std::filesystem::temp_directory_path() /
                                               ("linkvane-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);

    linkvane::SqliteRegistryStore registry(dir / "registry");
    linkvane::ProfileStore store(registry);
    linkvane::ProfileRecord record = linkvane::testing::DialUpProfile("Bench ISP");

    sqlite3* db = nullptr;
    sqlite3_open((dir / "raw.db").c_str(), &db);
    Exec(db,
         "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"
         "CREATE TABLE IF NOT EXISTS vals(name TEXT PRIMARY KEY, data BLOB) WITHOUT ROWID");
    sqlite3_stmt* upsert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO vals(name, data) VALUES(?1, ?2) ON CONFLICT(name) DO UPDATE "
                       "SET data=excluded.data",
                       -1, &upsert, nullptr);

    // Warm both up (files created, schema in place, statements prepared).
    (void)store.SaveProfile(record, false);
    (void)store.LoadProfile(record.name);
    RawUpserts(db, upsert, -1);

    std::vector<double> ours, raw;
    for (int i = 0; i < iterations; ++i) {
        // Alternate so that both see the same background noise.
        record.login = "user" + std::to_string(i);
        const auto start = Clock::now();
        const bool saved = static_cast<bool>(store.SaveProfile(record, false));
        const auto loaded = store.LoadProfile(record.name);
        ours.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        if (!saved || loaded.login != record.login) {
            std::fprintf(stderr, "round trip failed at iteration %d\n", i);
            return 1;
        }
        raw.push_back(RawUpserts(db, upsert, i));
    }
    sqlite3_finalize(upsert);
    sqlite3_close(db);
    std::filesystem::remove_all(dir);

    const double oursMedian = Median(ours);
    const double rawMedian = Median(raw);
    std::printf("iterations: %d\n", iterations);
    std::printf("SaveProfile+LoadProfile median: %.1f us\n", oursMedian);
    std::printf("raw SQLite 27 upserts in one transaction median: %.1f us\n", rawMedian);
    std::printf("ratio: %.2fx\n", oursMedian / rawMedian);
    return 0;
}
