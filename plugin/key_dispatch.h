// The plug-in's own keys.
#pragma once

#include "services/plugin_state.h"

namespace davu {

int ProcessKeyImpl(PanelSession *session, int key, unsigned controlState);

} // namespace davu
