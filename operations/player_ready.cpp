#include "operations/player_ready.h"

#include "services/notices.h"

namespace davu {

bool PlayerReady(DeviceLink &link) {
  if (link.CheckReady())
    return true;
  ShowDeviceNotReady();
  return false;
}

} // namespace davu
