// playerctl's commands. Each takes the store folder and the rest of the
// command line, and returns the exit code: 0 done, 1 failed, 2 bad usage.
#pragma once

#include "sim/usbctrl/playerctl_args.h"

#include <string>

namespace playerctl {

using CommandHandler = int(const std::string &folder, const Args &args);

// Files and memories (playerctl_files.cpp).
CommandHandler Init, Add, Put, Get, Remove, Move, Format, Capacity;

// Configuration, faults and the call log (playerctl_settings.cpp).
CommandHandler List, Set, Fail, Log;

} // namespace playerctl
