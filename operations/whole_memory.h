// Commands on the player as a whole, run from the plug-in's keys.
#pragma once

#include "services/plugin_state.h"

#include <windows.h>

namespace davu {

void CopyAllToOtherPanel(PanelSession *session, HANDLE panel, bool move);
void DeleteAllFiles(PanelSession *session, HANDLE panel, bool silent);
void FormatSelectedMemory(PanelSession *session, HANDLE panel);
void SwitchMemory(PanelSession *session, HANDLE panel);
void ReconnectDevice(PanelSession *session, HANDLE panel);

} // namespace davu
