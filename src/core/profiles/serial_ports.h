#pragma once

// The machine's serial ports, as udev knows them, and how the list follows them.
//
// TtySource is the udev layer: it lists the devices of the tty subsystem and reports each one
// that comes or goes. Core decides which of them are serial ports that may hold a modem: a
// ttyS with a real UART behind it (sysfs reports a port type other than 0), and every ttyUSB
// and ttyACM. A port is offered by its stable name under /dev/serial/by-id when udev made one,
// so that an entry keeps its modem when the modem is plugged into another socket.
//
// TtyDeviceFromUdev reads udev's own property names (DEVNAME, DEVLINKS, ID_VENDOR_ID,
// ID_VENDOR_ENC, ID_USB_DRIVER, ...), as libudev and `udevadm monitor --property` give them.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/util/result.h"

namespace linkvane {

// One device of the tty subsystem. Text fields are "" when unknown.
struct TtyDevice {
    std::string name{};                // the kernel's name: "ttyUSB0"
    std::string node{};                // "/dev/ttyUSB0"
    std::vector<std::string> links{};  // udev's links to the node, "/dev/serial/by-id/usb-..."
    int uartType = -1;                 // ttyS: sysfs "type" (0: no UART); -1 when unknown
    std::string driver{};              // "pl2303", "cdc_acm", "serial"
    std::string vendorId{};            // USB ids, four hex digits: "067b"
    std::string productId{};           // "2303"
    std::string vendor{};              // "Prolific Technology Inc."
    std::string model{};               // "USB-Serial Controller"

    bool operator==(const TtyDevice&) const = default;
};

enum class TtyAction { Add, Remove };

struct TtyEvent {
    TtyAction action = TtyAction::Add;
    TtyDevice device;
};

using UdevProperties = std::map<std::string, std::string, std::less<>>;

// The device that udev's properties describe; DEVNAME may be given with or without "/dev/".
TtyDevice TtyDeviceFromUdev(const UdevProperties& properties);
// udev's ACTION: "remove" removes; "add", "change", "move" and the rest (re)add.
TtyAction TtyActionFromUdev(std::string_view action);

// A ttyS<n> with a UART, a ttyUSB<n> or a ttyACM<n>.
bool IsSerialPort(const TtyDevice& device);
// The path to offer: the first /dev/serial/by-id link in byte order, else the node.
std::string StablePath(const TtyDevice& device);
// For people: "ttyUSB0, Prolific Technology Inc. USB-Serial Controller [067b:2303] (pl2303)".
std::string DescribePort(const TtyDevice& device);

// The devices that come and go from the moment a watch is made. Each watch sees every event.
// One thread at a time.
class TtyWatch {
  public:
    virtual ~TtyWatch() = default;
    // A descriptor that becomes readable when events wait (for poll or a socket notifier).
    virtual int Fd() const = 0;
    // The events waiting now, oldest first; never blocks.
    virtual std::vector<TtyEvent> TakeEvents() = 0;
};

// The udev layer. One thread at a time.
class TtySource {
  public:
    virtual ~TtySource() = default;
    // Every device of the tty subsystem now.
    virtual Result<std::vector<TtyDevice>> Enumerate() = 0;
    // A new watch; nullptr when this source cannot follow changes.
    virtual std::unique_ptr<TtyWatch> Watch() = 0;
};

// The serial ports now, kept up to date by events. Ports are ordered by kernel name.
class SerialPortList {
  public:
    struct Change {
        TtyAction action;
        TtyDevice port;  // for Remove, the port as it was listed
    };

    // Keeps the serial ports among all.
    void Reset(const std::vector<TtyDevice>& all);
    // The change the event makes to the list; nullopt when it makes none (a device that is no
    // serial port, a second add of the same port, a remove of a port that is not listed).
    std::optional<Change> Apply(const TtyEvent& event);
    const std::vector<TtyDevice>& ports() const { return m_ports; }

  private:
    std::vector<TtyDevice> m_ports;
};

}  // namespace linkvane
