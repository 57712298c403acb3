// Editing the player's play order from the panel.
#pragma once

#include "plugin/plugin_state.h"

#include <windows.h>

namespace davu {

void MoveUp(PanelSession *session, HANDLE panel);
void MoveDown(PanelSession *session, HANDLE panel);
void MoveTo(PanelSession *session, HANDLE panel);

} // namespace davu
