// The one DeviceLink, the library object and the binding of the library's
// seventeen methods from the plug-in's own folder.
#include "device/device_link.h"

#include <string>

namespace davu {

namespace {

// The library's `this`. Kept apart from the DeviceLink and generously sized
// so that a constructor that does store something writes into storage of
// its own.
alignas(16) unsigned char library_object[4096];

template <typename Fn> Fn Lookup(HMODULE module, const char *name) {
  return reinterpret_cast<Fn>(
      reinterpret_cast<void *>(GetProcAddress(module, name)));
}

} // namespace

DeviceLink &Device() {
  static DeviceLink link;
  return link;
}

void *DeviceLink::LibraryObject() {
  return library_object;
}

void DeviceLink::Bind(const char *pluginFolder) {
  OpMode.store(0);
  LoadStage = LS_NOLIBRARY;
  std::string path = pluginFolder ? pluginFolder : "";
  // Without a folder the bare name would be looked for along the search
  // path, which is exactly what must not happen.
  if (path.empty() || path.back() != '\\')
    return;
  path += "USBCTRL.dll";
  // A full path takes this file only, never one found on the search path.
  // The altered search path lets the maker's library find DLLs of its own
  // that ship beside it in the plug-in folder.
  HMODULE module =
      LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module)
    return;
  Module = module;
  LoadStage = LS_NOENTRYPOINT;

  // The slots of DeviceEntryPoints follow the export table's order.
  void **slots = reinterpret_cast<void **>(&Entry);
  for (int i = 0; i < usbctrl::kEntryPointCount; ++i) {
    slots[i] = Lookup<void *>(module, usbctrl::kExportNames[i]);
    if (!slots[i])
      return;
  }
  LoadStage = LS_BOUND;
}

} // namespace davu
