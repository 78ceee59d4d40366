#include "platform/udev_ports.h"

#include <libudev.h>
#include <unistd.h>

#include <charconv>
#include <cstring>

namespace linkvane {

namespace {

struct DeviceUnref {
    void operator()(udev_device* device) const { udev_device_unref(device); }
};
using DevicePtr = std::unique_ptr<udev_device, DeviceUnref>;

struct EnumerateUnref {
    void operator()(udev_enumerate* list) const { udev_enumerate_unref(list); }
};

std::string Text(const char* text) {
    return text == nullptr ? std::string() : std::string(text);
}

void FillIfEmpty(std::string& field, const char* value) {
    if (field.empty() && value != nullptr)
        field = value;
}

// The serial core's own devices ("port", "ctrl" on the serial-base bus) say nothing about
// the hardware: the driver shown is the first one above them.
bool SaysWhatHardware(udev_device* device) {
    const char* subsystem = udev_device_get_subsystem(device);
    return udev_device_get_driver(device) != nullptr &&
           (subsystem == nullptr || std::strcmp(subsystem, "serial-base") != 0);
}

TtyDevice DeviceFrom(udev_device* device) {
    UdevProperties properties;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_device_get_properties_list_entry(device)) {
        properties.emplace(Text(udev_list_entry_get_name(entry)),
                           Text(udev_list_entry_get_value(entry)));
    }
    TtyDevice tty = TtyDeviceFromUdev(properties);
    FillIfEmpty(tty.name, udev_device_get_sysname(device));
    FillIfEmpty(tty.node, udev_device_get_devnode(device));
    if (tty.links.empty()) {
        udev_list_entry_foreach(entry, udev_device_get_devlinks_list_entry(device)) {
            tty.links.push_back(Text(udev_list_entry_get_name(entry)));
        }
    }
    if (const char* type = udev_device_get_sysattr_value(device, "type"); type != nullptr) {
        int value = -1;
        const std::string_view text(type);
        if (std::from_chars(text.data(), text.data() + text.size(), value).ec == std::errc())
            tty.uartType = value;
    }
    for (udev_device* parent = udev_device_get_parent(device);
         tty.driver.empty() && parent != nullptr; parent = udev_device_get_parent(parent)) {
        if (SaysWhatHardware(parent))
            tty.driver = udev_device_get_driver(parent);
    }
    if (udev_device* usb =
            udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device");
        usb != nullptr) {
        FillIfEmpty(tty.vendorId, udev_device_get_sysattr_value(usb, "idVendor"));
        FillIfEmpty(tty.productId, udev_device_get_sysattr_value(usb, "idProduct"));
        FillIfEmpty(tty.vendor, udev_device_get_sysattr_value(usb, "manufacturer"));
        FillIfEmpty(tty.model, udev_device_get_sysattr_value(usb, "product"));
    }
    return tty;
}

}  // namespace

// A udev monitor of the tty subsystem. Its socket does not block: receive answers nothing
// once it is drained.
class UdevWatch final : public TtyWatch {
  public:
    explicit UdevWatch(udev_monitor* monitor) : m_monitor(monitor) {}
    ~UdevWatch() override { udev_monitor_unref(m_monitor); }
    UdevWatch(const UdevWatch&) = delete;
    UdevWatch& operator=(const UdevWatch&) = delete;

    int Fd() const override { return udev_monitor_get_fd(m_monitor); }
    std::vector<TtyEvent> TakeEvents() override {
        std::vector<TtyEvent> events;
        while (const DevicePtr device{udev_monitor_receive_device(m_monitor)}) {
            events.push_back({TtyActionFromUdev(Text(udev_device_get_action(device.get()))),
                              DeviceFrom(device.get())});
        }
        return events;
    }

  private:
    udev_monitor* m_monitor;
};

UdevTtySource::UdevTtySource() = default;

UdevTtySource::~UdevTtySource() {
    if (m_udev != nullptr)
        udev_unref(m_udev);
}

udev* UdevTtySource::Context() {
    if (m_udev == nullptr)
        m_udev = udev_new();
    return m_udev;
}

Result<std::vector<TtyDevice>> UdevTtySource::Enumerate() {
    const std::unique_ptr<udev_enumerate, EnumerateUnref> list(
        Context() == nullptr ? nullptr : udev_enumerate_new(m_udev));
    if (list == nullptr || udev_enumerate_add_match_subsystem(list.get(), "tty") < 0 ||
        udev_enumerate_scan_devices(list.get()) < 0) {
        return Fail("The serial ports cannot be listed: udev does not answer.");
    }
    std::vector<TtyDevice> devices;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(list.get())) {
        const DevicePtr device(
            udev_device_new_from_syspath(m_udev, udev_list_entry_get_name(entry)));
        if (device != nullptr)
            devices.push_back(DeviceFrom(device.get()));
    }
    return devices;
}

std::unique_ptr<TtyWatch> UdevTtySource::Watch() {
    if (Context() == nullptr)
        return nullptr;
    // udevd announces a device once its rules have run (links made, ids read); without
    // udevd only the kernel does.
    const bool udevd = ::access("/run/udev/control", F_OK) == 0;
    udev_monitor* monitor = udev_monitor_new_from_netlink(m_udev, udevd ? "udev" : "kernel");
    if (monitor == nullptr)
        return nullptr;
    auto watch = std::make_unique<UdevWatch>(monitor);
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor, "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0)
        return nullptr;
    return watch;
}

}  // namespace linkvane
