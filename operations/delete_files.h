// Deleting selected files on the player.
#pragma once

#include "host/far_api.h"
#include "plugin/plugin_state.h"

namespace davu {

int DeleteFilesImpl(PanelSession *session, farapi::PluginPanelItem *items,
                    int count, int opMode);

} // namespace davu
