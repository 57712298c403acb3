// The stand-in library's player backed by the store folder: each call reads
// the store afresh, applies its faults, logs itself and writes any change
// back at once. The exports hand their calls here unless the in-memory
// player (memory_backend.h) takes them.
#pragma once

#include "sim/usbctrl/player_calls.h"

namespace simstore {

extern const simlibrary::PlayerCalls kStorePlayer;

} // namespace simstore
