// linkvanectl: Linkvane's command-line companion, for scripts and for inspecting what the
// program stores.

#include <string>
#include <vector>

#include "ctl/commands.h"

int main(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return linkvane::ctl::RunCtl(args);
}
