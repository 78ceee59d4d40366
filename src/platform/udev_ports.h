#pragma once

// UdevTtySource: the udev layer on Linux (libudev). Enumerate lists the devices of the tty
// subsystem from sysfs and udev's database; each watch is a udev monitor of its own: udevd's
// events once it has made the device's links, or the kernel's own where no udevd runs
// (containers, rescue systems).
//
// What udev's database lacks (no udevd, or no rules for USB ids) is read from sysfs: a ttyS's
// UART type, the driver of the first parent that has one, and the USB device's ids,
// manufacturer and product strings. One thread at a time.

#include <memory>

#include "core/profiles/serial_ports.h"

struct udev;

namespace linkvane {

class UdevTtySource final : public TtySource {
  public:
    UdevTtySource();
    ~UdevTtySource() override;
    UdevTtySource(const UdevTtySource&) = delete;
    UdevTtySource& operator=(const UdevTtySource&) = delete;

    Result<std::vector<TtyDevice>> Enumerate() override;
    std::unique_ptr<TtyWatch> Watch() override;

  private:
    // libudev's context, made at the first listing or watch (a phonebook that never lists
    // its devices never loads udev's pages).
    udev* Context();

    udev* m_udev = nullptr;
};

}  // namespace linkvane
