#include "platform/linkvane_bus.h"

#include <systemd/sd-bus.h>

#include <optional>

#include "core/app/remote_control.h"
#include "platform/dynamic_library.h"

namespace linkvane {

namespace {

// libsystemd's bus functions, loaded at the first use of the bus and kept for the process.
#define LINKVANE_SD_BUS_FUNCTIONS(X)  \
    X(sd_bus_open_user)               \
    X(sd_bus_flush_close_unref)       \
    X(sd_bus_call_method)             \
    X(sd_bus_message_new_method_call) \
    X(sd_bus_message_set_auto_start)  \
    X(sd_bus_message_append)          \
    X(sd_bus_call)                    \
    X(sd_bus_message_unref)           \
    X(sd_bus_message_read)            \
    X(sd_bus_message_enter_container) \
    X(sd_bus_message_exit_container)  \
    X(sd_bus_message_skip)            \
    X(sd_bus_error_free)              \
    X(sd_bus_match_signal)            \
    X(sd_bus_get_fd)                  \
    X(sd_bus_get_events)              \
    X(sd_bus_process)

struct SdBus {
#define LINKVANE_SD_BUS_MEMBER(name) decltype(&::name) name = nullptr;
    LINKVANE_SD_BUS_FUNCTIONS(LINKVANE_SD_BUS_MEMBER)
#undef LINKVANE_SD_BUS_MEMBER
};

std::optional<SdBus> LoadSdBus() {
    void* library = ::dlopen("libsystemd.so.0", RTLD_NOW | RTLD_LOCAL);
    SdBus found;
    bool complete = true;
#define LINKVANE_SD_BUS_FIND(name) complete = FindFunction(library, #name, found.name) && complete;
    LINKVANE_SD_BUS_FUNCTIONS(LINKVANE_SD_BUS_FIND)
#undef LINKVANE_SD_BUS_FIND
    if (!complete)
        return std::nullopt;
    return found;
}

const SdBus* Loaded() {
    static const std::optional<SdBus> loaded = LoadSdBus();
    return loaded ? &*loaded : nullptr;
}

const SdBus& Sd() {
    return *Loaded();
}

constexpr std::uint64_t kSecond = 1000000;  // sd-bus counts microseconds
constexpr int kQuickCall = 25;
constexpr int kMailCheckCall = 180;  // the check's minute, and the user's answer to a question
constexpr int kPingCall = 90;        // the echo's 20 s after a queued check

const std::string kName(kBusName);
const std::string kPath(kBusPath);
const std::string kInterface(kBusInterface);

// Owns what sd-bus hands out.
struct MessageRef {
    sd_bus_message* message = nullptr;
    ~MessageRef() {
        if (message != nullptr)
            Sd().sd_bus_message_unref(message);
    }
};
struct ErrorRef {
    sd_bus_error error{nullptr, nullptr, 0};  // SD_BUS_ERROR_NULL is a C compound literal
    ~ErrorRef() { Sd().sd_bus_error_free(&error); }
};

// Reads one property's value (the variant's contents) into the status.
bool ReadValue(sd_bus_message* message, StatusField field, LinkStatus& status) {
    const SdBus& sd = Sd();
    const auto text = [&](std::string& out) {
        const char* value = nullptr;
        const bool ok = sd.sd_bus_message_read(message, "s", &value) >= 0;
        out = ok && value != nullptr ? value : "";
        return ok;
    };
    switch (field) {
        case kFieldState: {
            std::string name;
            if (!text(name))
                return false;
            status.state = LinkStateNamed(name).value_or(LinkState::Idle);
            return true;
        }
        case kFieldDialState:
            return sd.sd_bus_message_read(message, "n", &status.dialState) >= 0;
        case kFieldReason: {
            const char* value = nullptr;
            if (sd.sd_bus_message_read(message, "(is)", &status.reason.code, &value) < 0)
                return false;
            status.reason.text = value != nullptr ? value : "";
            return true;
        }
        case kFieldRedialsLeft:
            return sd.sd_bus_message_read(message, "i", &status.redialsLeft) >= 0;
        case kFieldRedialWait: {
            const char* value = nullptr;
            if (sd.sd_bus_message_read(message, "(xs)", &status.redialWait.seconds, &value) < 0)
                return false;
            status.redialWait.reason = value != nullptr ? value : "";
            return true;
        }
        case kFieldProfile:
            return text(status.profile);
        case kFieldNumber:
            return text(status.number);
        case kFieldCallSeconds:
            return sd.sd_bus_message_read(message, "x", &status.callSeconds) >= 0;
        case kFieldBytesIn:
            return sd.sd_bus_message_read(message, "t", &status.bytesIn) >= 0;
        case kFieldBytesOut:
            return sd.sd_bus_message_read(message, "t", &status.bytesOut) >= 0;
        case kFieldLastPing:
            return text(status.lastPing);
        case kFieldMailCount:
            return sd.sd_bus_message_read(message, "u", &status.mailCount) >= 0;
        case kFieldMailSize:
            return sd.sd_bus_message_read(message, "t", &status.mailSize) >= 0;
    }
    return false;
}

// Reads an a{sv} of the program's properties into the status; the fields it held, or nullopt
// when it is not in that form. Unknown names are skipped, as are values of another type.
std::optional<StatusFields> ReadProperties(sd_bus_message* message, LinkStatus& status) {
    const SdBus& sd = Sd();
    StatusFields read = 0;
    if (sd.sd_bus_message_enter_container(message, SD_BUS_TYPE_ARRAY, "{sv}") < 0)
        return std::nullopt;
    for (;;) {
        const int entry = sd.sd_bus_message_enter_container(message, SD_BUS_TYPE_DICT_ENTRY, "sv");
        if (entry < 0)
            return std::nullopt;
        if (entry == 0)
            break;
        const char* name = nullptr;
        if (sd.sd_bus_message_read(message, "s", &name) < 0 || name == nullptr)
            return std::nullopt;
        const StatusProperty* property = FindStatusProperty(name);
        const std::string signature = property != nullptr ? std::string(property->signature) : "";
        if (property != nullptr && sd.sd_bus_message_enter_container(message, SD_BUS_TYPE_VARIANT,
                                                                     signature.c_str()) > 0) {
            if (!ReadValue(message, property->field, status))
                return std::nullopt;
            read |= property->field;
            sd.sd_bus_message_exit_container(message);
        } else if (sd.sd_bus_message_skip(message, "v") < 0) {
            return std::nullopt;
        }
        sd.sd_bus_message_exit_container(message);
    }
    sd.sd_bus_message_exit_container(message);
    return read;
}

}  // namespace

struct LinkvaneBus::Connection {
    sd_bus* bus = nullptr;
    ~Connection() {
        if (bus != nullptr)
            Sd().sd_bus_flush_close_unref(bus);
    }
};

LinkvaneBus::LinkvaneBus(std::unique_ptr<Connection> connection)
    : m_connection(std::move(connection)) {}

LinkvaneBus::~LinkvaneBus() = default;

std::unique_ptr<LinkvaneBus> LinkvaneBus::Open() {
    if (Loaded() == nullptr)
        return nullptr;
    auto connection = std::make_unique<Connection>();
    if (Sd().sd_bus_open_user(&connection->bus) < 0)
        return nullptr;
    return std::unique_ptr<LinkvaneBus>(new LinkvaneBus(std::move(connection)));
}

bool LinkvaneBus::ProgramRunning() {
    ErrorRef error;
    MessageRef reply;
    if (Sd().sd_bus_call_method(m_connection->bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                "org.freedesktop.DBus", "NameHasOwner", &error.error,
                                &reply.message, "s", kName.c_str()) < 0) {
        return false;
    }
    int owned = 0;
    return Sd().sd_bus_message_read(reply.message, "b", &owned) >= 0 && owned != 0;
}

template <typename Read>
auto LinkvaneBus::Call(const char* method, const std::string& argument, int timeoutSeconds,
                       Read read) -> decltype(read(nullptr)) {
    const SdBus& sd = Sd();
    const char* interface = kInterface.c_str();
    if (std::string_view(method) == "GetAll")
        interface = "org.freedesktop.DBus.Properties";
    MessageRef call;
    ErrorRef error;
    MessageRef reply;
    m_errorName.clear();
    int result = sd.sd_bus_message_new_method_call(m_connection->bus, &call.message, kName.c_str(),
                                                   kPath.c_str(), interface, method);
    if (result >= 0)
        result = sd.sd_bus_message_set_auto_start(call.message, 0);
    if (result >= 0 && !argument.empty())
        result = sd.sd_bus_message_append(call.message, "s", argument.c_str());
    if (result >= 0) {
        result = sd.sd_bus_call(m_connection->bus, call.message,
                                static_cast<std::uint64_t>(timeoutSeconds) * kSecond, &error.error,
                                &reply.message);
    }
    if (result < 0) {
        m_errorName = error.error.name != nullptr ? error.error.name : "";
        return Fail(error.error.message != nullptr ? error.error.message
                                                   : "Linkvane did not answer on the session bus.");
    }
    return read(reply.message);
}

Result<LinkStatus> LinkvaneBus::ReadStatus() {
    return Call("GetAll", kInterface, kQuickCall, [](sd_bus_message* reply) -> Result<LinkStatus> {
        LinkStatus status;
        if (reply == nullptr || !ReadProperties(reply, status))
            return Fail("Linkvane's properties cannot be read.");
        return status;
    });
}

Status LinkvaneBus::Connect(const std::string& profile) {
    return Call("Connect", profile, kQuickCall, [](sd_bus_message*) { return Success(); });
}

Status LinkvaneBus::HangUp() {
    return Call("HangUp", "", kQuickCall, [](sd_bus_message*) { return Success(); });
}

Result<LinkvaneBus::MailReply> LinkvaneBus::CheckMail() {
    return Call("CheckMail", "", kMailCheckCall, [](sd_bus_message* reply) -> Result<MailReply> {
        MailReply mail;
        const char* text = nullptr;
        if (reply == nullptr ||
            Sd().sd_bus_message_read(reply, "uts", &mail.count, &mail.size, &text) < 0) {
            return Fail("Linkvane's answer cannot be read.");
        }
        mail.text = text != nullptr ? text : "";
        return mail;
    });
}

Result<std::string> LinkvaneBus::Ping() {
    return Call("Ping", "", kPingCall, [](sd_bus_message* reply) -> Result<std::string> {
        const char* text = nullptr;
        if (reply == nullptr || Sd().sd_bus_message_read(reply, "s", &text) < 0)
            return Fail("Linkvane's answer cannot be read.");
        return std::string(text != nullptr ? text : "");
    });
}

Status LinkvaneBus::WatchStatus() {
    const SdBus& sd = Sd();
    const auto changed = [](sd_bus_message* message, void* data, sd_bus_error*) -> int {
        auto& bus = *static_cast<LinkvaneBus*>(data);
        const char* interface = nullptr;
        if (Sd().sd_bus_message_read(message, "s", &interface) < 0 || interface == nullptr ||
            kInterface != interface) {
            return 0;
        }
        if (const std::optional<StatusFields> fields = ReadProperties(message, bus.m_status);
            fields && *fields != 0 && bus.m_handler) {
            (*bus.m_handler)(bus.m_status, *fields);
        }
        return 0;
    };
    const auto owner = [](sd_bus_message* message, void* data, sd_bus_error*) -> int {
        const char* name = nullptr;
        const char* before = nullptr;
        const char* after = nullptr;
        if (Sd().sd_bus_message_read(message, "sss", &name, &before, &after) >= 0 &&
            name != nullptr && kName == name && (after == nullptr || *after == '\0')) {
            static_cast<LinkvaneBus*>(data)->m_programGone = true;
        }
        return 0;
    };
    if (sd.sd_bus_match_signal(m_connection->bus, nullptr, kName.c_str(), kPath.c_str(),
                               "org.freedesktop.DBus.Properties", "PropertiesChanged", changed,
                               this) < 0 ||
        sd.sd_bus_match_signal(m_connection->bus, nullptr, "org.freedesktop.DBus",
                               "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameOwnerChanged",
                               owner, this) < 0) {
        return Fail("Linkvane's changes cannot be followed on the session bus.");
    }
    if (Result<LinkStatus> now = ReadStatus(); now)
        m_status = *now;
    return Success();
}

bool LinkvaneBus::ProcessStatus(const StatusHandler& handler) {
    m_handler = &handler;
    int result = 0;
    while ((result = Sd().sd_bus_process(m_connection->bus, nullptr)) > 0) {
    }
    m_handler = nullptr;
    return result == 0 && !m_programGone;
}

int LinkvaneBus::fd() const {
    return Sd().sd_bus_get_fd(m_connection->bus);
}

short LinkvaneBus::events() const {
    return static_cast<short>(Sd().sd_bus_get_events(m_connection->bus));
}

}  // namespace linkvane
