// playerctl's commands. Each takes the store folder and the rest of the
// command line, and returns the exit code: 0 done, 1 failed, 2 bad usage.
#pragma once

#include "sim/usbctrl/playerctl_args.h"

#include <string>

namespace playerctl {

// Files and memories (playerctl_files.cpp).
int Init(const std::string &folder, const Args &args);
int Add(const std::string &folder, const Args &args);
int Put(const std::string &folder, const Args &args);
int Get(const std::string &folder, const Args &args);
int Remove(const std::string &folder, const Args &args);
int Move(const std::string &folder, const Args &args);
int Format(const std::string &folder, const Args &args);
int Capacity(const std::string &folder, const Args &args);

// Configuration, faults and the call log (playerctl_settings.cpp).
int List(const std::string &folder, const Args &args);
int Set(const std::string &folder, const Args &args);
int Fail(const std::string &folder, const Args &args);
int Log(const std::string &folder, const Args &args);

} // namespace playerctl
