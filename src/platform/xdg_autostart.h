#pragma once

// The desktop's "start at login" switch: an XDG autostart entry,
// $XDG_CONFIG_HOME/autostart/linkvane.desktop, written or removed.

#include <filesystem>

#include "core/profiles/profile_store.h"

namespace linkvane {

class XdgAutostart final : public Autostart {
  public:
    XdgAutostart();  // in ConfigHome()/autostart
    explicit XdgAutostart(std::filesystem::path directory);

    Status Enable(std::string_view executablePath) override;
    Status Disable() override;

    std::filesystem::path EntryPath() const { return m_directory / "linkvane.desktop"; }

  private:
    std::filesystem::path m_directory;
};

// The Exec= line's program, quoted and escaped as desktop entries require; fails for paths
// that a desktop entry cannot carry (line breaks, control characters).
Result<std::string> DesktopExecQuote(std::string_view path);

}  // namespace linkvane
