// Process-wide state of the plug-in. The per-panel record that the host gets
// as the panel handle is in device/panel_session.h.
#pragma once

#include "device/panel_session.h"
#include "host/far_api.h"
#include "host/host_table.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace davu {

extern bool HostTooOld;

// ModuleName up to and including its last backslash.
std::string PluginFolder();

} // namespace davu
