// Copying and moving PC files, folders and playlists to the player.
#pragma once

#include "host/far_api.h"
#include "services/plugin_state.h"

namespace davu {

int PutFilesImpl(PanelSession *session, farapi::PluginPanelItem *items,
                 int count, int move, int opMode);

bool IsPlaylistFile(const char *path);
bool ExtensionPasses(const char *list, const char *path);

} // namespace davu
