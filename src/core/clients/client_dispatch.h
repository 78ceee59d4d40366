#pragma once

// The client configuration step of Connect (and of "linkvanectl apply NAME"): load the profile
// as the active profile, then run the client writers its flags ask for:
//   SetNetscape         -> Netscape;
//   SetIE, and a proxy, bypass list or start page -> Internet Explorer and autodial;
//   SetIE, and a POP3 or SMTP host                -> the mail accounts, then Internet Mail and
//   News.
// Nothing is undone afterwards; what a writer could not write stays as it was.
// User-interface thread (the active profile is unguarded); messages may block.

#include <string_view>

#include "core/clients/netscape.h"
#include "core/profiles/registry_store.h"

namespace linkvane {

// Which writers ran, for the command line's report and for tests.
struct AppliedClients {
    bool netscape = false;
    bool internetExplorer = false;
    bool accountManager = false;
    bool mailAndNews = false;

    bool operator==(const AppliedClients&) const = default;
};

// profileName: the profile selected in the profile list. autoDialEntry: the text the list
// shows (normally the same name), which becomes the autodial entry. Leaves the profile in
// TheActiveProfile().
AppliedClients ApplyClientSettings(RegistryStore& store, std::string_view profileName,
                                   std::string_view autoDialEntry, ClientMessages& messages);

}  // namespace linkvane
