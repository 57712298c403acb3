#include "host/host_table.h"

namespace davu {

farapi::PluginStartupInfo HostInfo = {};

const char *MsgText(int id) {
  if (!HostInfo.GetMsg)
    return "";
  const char *text = HostInfo.GetMsg(HostInfo.ModuleNumber, id);
  return text ? text : "";
}

} // namespace davu
