// What the host shows of a panel: title, info lines and key bar.
#pragma once

#include "host/far_api.h"
#include "services/plugin_state.h"

namespace davu {

void GetOpenPluginInfoImpl(PanelSession *session, farapi::OpenPluginInfo *info);

} // namespace davu
