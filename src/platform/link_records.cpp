#include "platform/link_records.h"

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "core/util/atomic_file.h"
#include "platform/proc_files.h"
#include "platform/xdg_paths.h"

namespace linkvane {

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

constexpr std::size_t kMaxRecordSize = 4096;

fs::path RecordPath(const fs::path& dir, pid_t pid) {
    return dir / (std::to_string(pid) + ".json");
}

}  // namespace

fs::path DefaultLinkRecordDir() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime != nullptr && runtime[0] == '/')
        return fs::path(runtime) / "linkvane" / "links";
    return CacheHome() / "linkvane" / "links";
}

std::string EncodeLinkRecord(const LinkRecord& record) {
    const Json json = {{"pid", record.pid},
                       {"start", record.start},
                       {"entry", record.entry},
                       {"device", record.device},
                       {"interface", record.interfaceName},
                       {"nameServers", record.nameServers}};
    return json.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::optional<LinkRecord> DecodeLinkRecord(std::string_view text) {
    const Json json = Json::parse(text, nullptr, false);
    if (!json.is_object())
        return std::nullopt;
    const auto stringAt = [&json](const char* key) -> const Json* {
        const auto it = json.find(key);
        return it != json.end() && it->is_string() ? &*it : nullptr;
    };
    const auto pid = json.find("pid");
    const auto start = json.find("start");
    const auto servers = json.find("nameServers");
    const Json* entry = stringAt("entry");
    const Json* device = stringAt("device");
    const Json* interfaceName = stringAt("interface");
    if (pid == json.end() || !pid->is_number_unsigned() || start == json.end() ||
        !start->is_number_unsigned() || servers == json.end() || !servers->is_array() ||
        entry == nullptr || device == nullptr || interfaceName == nullptr)
        return std::nullopt;
    LinkRecord record;
    const auto pidValue = pid->get<std::uint64_t>();
    if (pidValue < 2 || pidValue > 4194304)
        return std::nullopt;
    record.pid = static_cast<pid_t>(pidValue);
    record.start = start->get<std::uint64_t>();
    record.entry = entry->get<std::string>();
    record.device = device->get<std::string>();
    record.interfaceName = interfaceName->get<std::string>();
    for (const Json& server : *servers) {
        if (!server.is_string())
            return std::nullopt;
        record.nameServers.push_back(server.get<std::string>());
    }
    return record;
}

std::vector<LinkRecord> ReadLinkRecords(const fs::path& dir) {
    std::vector<LinkRecord> records;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        const auto text = ReadSmallFile(it->path(), kMaxRecordSize);
        auto record = text ? DecodeLinkRecord(*text) : std::nullopt;
        if (record && it->path().filename() == RecordPath(dir, record->pid).filename())
            records.push_back(std::move(*record));
    }
    return records;
}

LinkRecordFile::LinkRecordFile(fs::path dir, LinkRecord record)
    : m_path(RecordPath(dir, record.pid)), m_record(std::move(record)) {
    const std::optional<std::uint64_t> start = ProcessStartTime(m_record.pid);
    if (!start || !EnsurePrivateDirectory(dir)) {
        m_path.clear();
        return;
    }
    m_record.start = *start;
    Write();
}

LinkRecordFile::~LinkRecordFile() {
    std::error_code ignored;
    if (!m_path.empty())
        fs::remove(m_path, ignored);
}

void LinkRecordFile::Update(const std::string& interfaceName,
                            const std::vector<std::string>& nameServers) {
    if (interfaceName == m_record.interfaceName && nameServers == m_record.nameServers)
        return;
    m_record.interfaceName = interfaceName;
    m_record.nameServers = nameServers;
    Write();
}

void LinkRecordFile::Write() {
    if (!m_path.empty())
        (void)ReplaceFileAtomically(m_path, EncodeLinkRecord(m_record), 0600);
}

}  // namespace linkvane
