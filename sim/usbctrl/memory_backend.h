// The in-memory player behind the stand-in library's exports (see
// memory_player.h). Each export hands its call here when Active() says so.
#pragma once

#include "sim/usbctrl/player_calls.h"

namespace simmemory {

// True when the in-memory player is switched on for this process.
bool Active();

extern const simlibrary::PlayerCalls kMemoryPlayer;

} // namespace simmemory
