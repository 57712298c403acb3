// The one context, and the plug-in's folder.
#include "services/plugin_state.h"

#include <cstring>

namespace davu {

PluginContext &Plugin() {
  static PluginContext context;
  return context;
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
