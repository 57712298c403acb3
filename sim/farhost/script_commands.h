// The commands of a farhost script, each one user action on the host.
#pragma once

#include "sim/farhost/host_core.h"

#include <string>
#include <vector>

namespace farhost {

// The command list that `help` and --help print.
extern const char kScriptCommands[];

// Carries out one line's words (the command first); throws ScriptError
// when the line cannot be carried out.
void RunScriptCommand(Host &host, const std::vector<std::string> &words);

} // namespace farhost
