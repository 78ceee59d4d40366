#include "core/connection/connections.h"

#include <thread>

namespace linkvane {

void HangUpAllConnections(ConnectionEnumerator& links, std::chrono::milliseconds pause,
                          const std::function<void(std::chrono::milliseconds)>& sleep) {
    auto listed = links.EnumConnections();
    if (!listed)
        return;
    for (const ActiveConnection& link : *listed) {
        // A failed hang-up is not reported: the exit goes on, like the enumeration failure.
        (void)links.HangUp(link.handle);
        if (sleep) {
            sleep(pause);
        } else {
            std::this_thread::sleep_for(pause);
        }
    }
}

}  // namespace linkvane
