#pragma once

// CDesktopNotifier: the program's bubbles, shown by the desktop's notification service
// (org.freedesktop.Notifications on the session bus). Each kind of bubble is one notification:
// a later bubble of its kind replaces it (replaces_id) rather than stacking beside it. The body
// is plain text: it is escaped for servers that read markup in it. Show asks the bus whether a
// notification service runs or can be started, and answers false when none can show the
// bubble, so that the caller shows its box instead; the bubble itself goes out without waiting
// for the service. GUI thread only.

#include <QtCore/QObject>
#include <QtCore/QString>

#include <cstdint>
#include <map>

#include "core/app/bubbles.h"

namespace linkvane {

class CDesktopNotifier final : public QObject {
  public:
    CDesktopNotifier();
    // False when no notification service can show it.
    bool Show(const Bubble& bubble);

  private:
    std::map<BubbleKind, std::uint32_t> m_shown;  // the service's id of each kind's bubble
    bool m_markup = true;  // until the service says it does not read markup in bodies
};

}  // namespace linkvane
