// The ready check every operation starts with, telling the user when the
// player does not answer.
#pragma once

#include "device/device_link.h"

namespace davu {

bool PlayerReady(DeviceLink &link);

} // namespace davu
