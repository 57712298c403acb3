// The plug-in's process-wide state in one place, filled by SetStartupInfo.
// The host's table and the device link are referred to, not held: the
// progress thread draws through the one and moves the counters of the
// other while the host's thread waits inside the library, so both live in
// the layers that thread reaches (host/host_table.h, device/device_link.h).
// The per-panel record is in device/panel_session.h.
#pragma once

#include "device/device_link.h"
#include "device/panel_session.h"
#include "host/far_api.h"
#include "host/host_table.h"
#include "services/settings.h"

#include <string>

namespace davu {

struct PluginContext {
  farapi::PluginStartupInfo &Host = HostInfo;
  DeviceLink &Link = Device();
  PluginSettingsRecord Settings;
  bool HostTooOld = false;
  bool LibraryBound = false; // bound once per process; a failure stays
  // The host's table and its standard functions live on the host's stack
  // for the length of SetStartupInfo only; these copies outlive it. The
  // root key is copied too, as the settings need it at any later time.
  farapi::FarStandardFunctions HostFunctions = {};
  char HostRootKey[1024] = {};
  // What GetPluginInfo points the host at; refilled on every call.
  const char *DiskMenuStrings[1] = {};
  int DiskMenuNumbers[1] = {};
  const char *PluginMenuStrings[1] = {};
  const char *PluginConfigStrings[1] = {};
};

PluginContext &Plugin();

// ModuleName up to and including its last backslash.
std::string PluginFolder();

} // namespace davu
