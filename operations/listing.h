// The panel listing of the selected memory.
#pragma once

#include "host/far_api.h"
#include "services/plugin_state.h"

namespace davu {

int GetFindDataImpl(PanelSession *session, farapi::PluginPanelItem **items,
                    int *count, int opMode);
void FreeFindDataImpl(PanelSession *session, farapi::PluginPanelItem *items,
                      int count);

} // namespace davu
