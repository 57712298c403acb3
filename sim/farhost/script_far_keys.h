// The script commands for FAR's own keys that copy a file of the panel for
// FAR itself: quickview (Ctrl+Q), find (Alt+F7) and edit (F4).
#pragma once

#include "sim/farhost/host_core.h"

#include <string>
#include <vector>

namespace farhost {

// Carries out one of them (the command first, a panel open); throws
// ScriptError when the line is not right.
void RunFarKeyCommand(Host &host, const std::vector<std::string> &words);

} // namespace farhost
