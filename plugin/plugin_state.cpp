// The process-wide host table and the catalogue lookup.
#include "plugin/plugin_state.h"

#include <cstring>

namespace davu {

farapi::PluginStartupInfo HostInfo = {};
bool HostTooOld = false;

const char *MsgText(int id) {
  if (!HostInfo.GetMsg)
    return "";
  const char *text = HostInfo.GetMsg(HostInfo.ModuleNumber, id);
  return text ? text : "";
}

std::string PluginFolder() {
  const char *name = HostInfo.ModuleName;
  size_t length = strnlen(name, sizeof HostInfo.ModuleName);
  std::string module(name, length);
  size_t slash = module.find_last_of('\\');
  return slash == std::string::npos ? std::string()
                                    : module.substr(0, slash + 1);
}

} // namespace davu
