// Faults the store asks the stand-in library to show: fail rules and an
// unplugged player.
#pragma once

#include "sim/usbctrl/player_store.h"

namespace simstore {

// Applies the store's fail rules to a call of `method` naming file `index`
// (-1: none). True when the call must fail; *result then holds its answer.
// The rules' counters are kept in the store, so the n-th call is counted
// across processes too.
bool FailRuleHits(simplayer::PlayerStore *store, const char *method, int index,
                  int *result);

} // namespace simstore
