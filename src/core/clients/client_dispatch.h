#pragma once

// The client configuration step of Connect (and of "linkvanectl apply NAME"): the client
// writers the active profile's flags ask for:
//   SetNetscape         -> Netscape;
//   SetIE, and a proxy, bypass list or start page -> Internet Explorer and autodial;
//   SetIE, and a POP3 or SMTP host                -> the mail accounts, then Internet Mail and
//   News.
// Nothing is undone afterwards; what a writer could not write stays as it was.
// One thread (the GUI thread, or the command line's); messages may block.

#include <string_view>

#include "core/clients/active_profile.h"
#include "core/profiles/registry_store.h"

namespace linkvane {

// Where the client writers tell the user of a failure: message boxes with the exclamation
// icon owned by the main window in the program, printed lines in the command line.
class ClientMessages {
  public:
    virtual ~ClientMessages() = default;
    // Returns when the user has seen the message.
    virtual void ShowExclamation(std::string_view text, std::string_view caption) = 0;
};

// Which writers ran, for the command line's report and for tests.
struct AppliedClients {
    bool netscape = false;
    bool internetExplorer = false;
    bool accountManager = false;
    bool mailAndNews = false;

    bool operator==(const AppliedClients&) const = default;
};

// profile: the active profile, just loaded. autoDialEntry: the text the profile list shows
// (normally the profile's name), which becomes the autodial entry.
AppliedClients ApplyClientSettings(RegistryStore& store, const ActiveProfile& profile,
                                   std::string_view autoDialEntry, ClientMessages& messages);

}  // namespace linkvane
