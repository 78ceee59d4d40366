#include "core/connection/connections.h"

#include <thread>

namespace linkvane {

std::string NameServersText(const std::vector<ActiveConnection>& links, std::string_view entry) {
    for (const ActiveConnection& link : links) {
        if (link.entryName != entry || link.nameServers.empty())
            continue;
        std::string text = "DNS:";
        for (const std::string& server : link.nameServers)
            text += (text.size() == 4 ? " " : ", ") + server;
        return text;
    }
    return {};
}

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
