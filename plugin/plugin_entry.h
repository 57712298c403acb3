// The entries that start the plug-in and open a panel.
#pragma once

#include "host/far_api.h"

#include <windows.h>

namespace davu {

void SetStartupInfoImpl(const farapi::PluginStartupInfo *info);
void GetPluginInfoImpl(farapi::PluginInfo *info);
HANDLE OpenPluginImpl(int openFrom, int item);

} // namespace davu
