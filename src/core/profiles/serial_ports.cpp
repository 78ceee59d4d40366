#include "core/profiles/serial_ports.h"

#include <algorithm>
#include <charconv>

namespace linkvane {

namespace {

constexpr std::string_view kByIdDir = "/dev/serial/by-id/";

std::string Property(const UdevProperties& properties, std::string_view key) {
    const auto found = properties.find(key);
    return found == properties.end() ? std::string() : found->second;
}

// udev's *_ENC values write unsafe bytes as \xHH ("Prolific\x20Technology").
std::string DecodeUdevText(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned byte = 0;
        if (text[i] == '\\' && text.size() - i >= 4 && text[i + 1] == 'x') {
            const auto [end, error] =
                std::from_chars(text.data() + i + 2, text.data() + i + 4, byte, 16);
            if (error == std::errc() && end == text.data() + i + 4) {
                out.push_back(static_cast<char>(byte));
                i += 3;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

std::string FirstOf(std::initializer_list<std::string> candidates) {
    for (const std::string& text : candidates) {
        if (!text.empty())
            return text;
    }
    return {};
}

std::vector<std::string> SplitOnBlanks(std::string_view text) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while ((at = text.find_first_not_of(' ', at)) != std::string_view::npos) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        words.emplace_back(text.substr(at, end - at));
        at = end;
    }
    return words;
}

// name is prefix followed by a number: "ttyUSB12".
bool IsNumbered(std::string_view name, std::string_view prefix) {
    return name.size() > prefix.size() && name.starts_with(prefix) &&
           std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

TtyDevice TtyDeviceFromUdev(const UdevProperties& properties) {
    TtyDevice device;
    std::string node = Property(properties, "DEVNAME");
    if (!node.empty() && node.front() != '/')
        node = "/dev/" + node;
    device.node = node;
    const std::string path = FirstOf({Property(properties, "DEVPATH"), node});
    device.name = path.substr(path.rfind('/') + 1);
    device.links = SplitOnBlanks(Property(properties, "DEVLINKS"));
    device.driver = Property(properties, "ID_USB_DRIVER");
    device.vendorId = Property(properties, "ID_VENDOR_ID");
    device.productId = Property(properties, "ID_MODEL_ID");
    device.vendor = FirstOf({DecodeUdevText(Property(properties, "ID_VENDOR_ENC")),
                             Property(properties, "ID_VENDOR_FROM_DATABASE"),
                             Property(properties, "ID_VENDOR")});
    device.model =
        FirstOf({DecodeUdevText(Property(properties, "ID_MODEL_ENC")),
                 Property(properties, "ID_MODEL_FROM_DATABASE"), Property(properties, "ID_MODEL")});
    return device;
}

TtyAction TtyActionFromUdev(std::string_view action) {
    return action == "remove" ? TtyAction::Remove : TtyAction::Add;
}

bool IsSerialPort(const TtyDevice& device) {
    if (IsNumbered(device.name, "ttyS"))
        return device.uartType > 0;
    return IsNumbered(device.name, "ttyUSB") || IsNumbered(device.name, "ttyACM");
}

std::string StablePath(const TtyDevice& device) {
    std::optional<std::string> best;
    for (const std::string& link : device.links) {
        if (link.starts_with(kByIdDir) && link.size() > kByIdDir.size() && (!best || link < *best))
            best = link;
    }
    return best.value_or(device.node);
}

std::string DescribePort(const TtyDevice& device) {
    std::string text = device.name;
    std::string product = device.vendor;
    if (!device.model.empty())
        product += (product.empty() ? "" : " ") + device.model;
    if (!product.empty())
        text += ", " + product;
    if (!device.vendorId.empty() || !device.productId.empty())
        text += " [" + device.vendorId + ":" + device.productId + "]";
    if (!device.driver.empty())
        text += " (" + device.driver + ")";
    return text;
}

void SerialPortList::Reset(const std::vector<TtyDevice>& all) {
    m_ports.clear();
    std::copy_if(all.begin(), all.end(), std::back_inserter(m_ports), IsSerialPort);
    std::sort(m_ports.begin(), m_ports.end(),
              [](const TtyDevice& a, const TtyDevice& b) { return a.name < b.name; });
    const auto same = [](const TtyDevice& a, const TtyDevice& b) { return a.name == b.name; };
    m_ports.erase(std::unique(m_ports.begin(), m_ports.end(), same), m_ports.end());
}

std::optional<SerialPortList::Change> SerialPortList::Apply(const TtyEvent& event) {
    const auto at = std::lower_bound(
        m_ports.begin(), m_ports.end(), event.device.name,
        [](const TtyDevice& port, const std::string& name) { return port.name < name; });
    const bool listed = at != m_ports.end() && at->name == event.device.name;
    if (event.action == TtyAction::Remove) {
        if (!listed)
            return std::nullopt;
        Change change{TtyAction::Remove, std::move(*at)};
        m_ports.erase(at);
        return change;
    }
    if (!IsSerialPort(event.device) || (listed && *at == event.device))
        return std::nullopt;
    if (listed) {
        *at = event.device;  // changed in place: udev learnt more of it
    } else {
        m_ports.insert(at, event.device);
    }
    return Change{TtyAction::Add, event.device};
}

}  // namespace linkvane
