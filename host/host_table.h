// The host's table as given to SetStartupInfo, with FSF pointing at the
// plug-in's own copy of the standard functions, and the catalogue lookup
// through it. Every layer that talks to the host reads it here.
#pragma once

#include "host/far_api.h"

namespace davu {

extern farapi::PluginStartupInfo HostInfo;

// Text of a catalogue message; never null.
const char *MsgText(int id);

} // namespace davu
