// One of the two bus clients that bus_client_bench starts: asks the session bus whether the
// running program holds its name, through linkvanectl's own client (sd-bus, loaded at first
// use), and exits 0 (held), 1 (not held) or 2 (no bus).

#include "platform/linkvane_bus.h"

int main() {
    const std::unique_ptr<linkvane::LinkvaneBus> bus = linkvane::LinkvaneBus::Open();
    if (bus == nullptr)
        return 2;
    return bus->ProgramRunning() ? 0 : 1;
}
