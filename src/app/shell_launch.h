#pragma once

// Carries out a "shell open" (core/util/shell_open.h): programs are started directly and
// detached, in the working directory "."; documents and web addresses go to the desktop's
// opener. Failures are not reported, as the launch commands require. GUI thread only.

#include <string_view>

#include "core/util/shell_open.h"

namespace linkvane {

// Returns whether the launch was handed on (false for nothing to do or a refusal).
bool RunOpenPlan(const OpenPlan& plan);

// PlanShellOpen for this process, then RunOpenPlan.
bool ShellOpen(std::string_view setting);

}  // namespace linkvane
