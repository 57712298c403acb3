// The host's plug-in cache: the menus a cached start shows before the
// plug-in is loaded.
#include "sim/farhost/host_impl.h"

#include "host/unique_handle.h"

#include <string>

namespace farhost {

// FAR keeps its plug-in cache per user in the registry; the host keeps the
// menus under its root key, so that they go with it.
namespace {

std::string CacheKey(const std::string &root) {
  return root + "\\farhost plug-in cache";
}

void PutString(HKEY key, const std::string &name, const std::string &text) {
  RegSetValueExA(key, name.c_str(), 0, REG_SZ,
                 reinterpret_cast<const BYTE *>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
}

void PutNumber(HKEY key, const std::string &name, DWORD value) {
  RegSetValueExA(key, name.c_str(), 0, REG_DWORD,
                 reinterpret_cast<const BYTE *>(&value), sizeof value);
}

bool GetString(HKEY key, const std::string &name, std::string *text) {
  char buffer[1024] = {};
  DWORD size = sizeof buffer - 1, type = 0;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE *>(buffer),
                       &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return false;
  *text = buffer;
  return true;
}

bool GetNumber(HKEY key, const std::string &name, DWORD *value) {
  DWORD size = sizeof *value, type = 0;
  return RegQueryValueExA(key, name.c_str(), nullptr, &type,
                          reinterpret_cast<BYTE *>(value),
                          &size) == ERROR_SUCCESS &&
         type == REG_DWORD;
}

} // namespace

void Host::SaveMenuCache(const PluginMenus &menus) {
  davu::UniqueRegistryKey key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, CacheKey(options_.rootKey).c_str(), 0,
                      nullptr, 0, KEY_WRITE, nullptr, key.Receive(),
                      nullptr) != ERROR_SUCCESS)
    return;
  PutNumber(key.Get(), "DiskMenuCount",
            static_cast<DWORD>(menus.diskMenu.size()));
  for (size_t i = 0; i < menus.diskMenu.size(); ++i) {
    PutString(key.Get(), "DiskMenu" + std::to_string(i), menus.diskMenu[i]);
    PutNumber(key.Get(), "DiskNumber" + std::to_string(i),
              i < menus.diskNumbers.size()
                  ? static_cast<DWORD>(menus.diskNumbers[i])
                  : 0);
  }
  PutNumber(key.Get(), "PluginMenuCount",
            static_cast<DWORD>(menus.pluginMenu.size()));
  for (size_t i = 0; i < menus.pluginMenu.size(); ++i)
    PutString(key.Get(), "PluginMenu" + std::to_string(i), menus.pluginMenu[i]);
}

bool Host::LoadMenuCache(PluginMenus *menus) const {
  davu::UniqueRegistryKey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, CacheKey(options_.rootKey).c_str(), 0,
                    KEY_READ, key.Receive()) != ERROR_SUCCESS)
    return false;
  PluginMenus m;
  DWORD disks = 0, plugins = 0;
  if (!GetNumber(key.Get(), "DiskMenuCount", &disks) ||
      !GetNumber(key.Get(), "PluginMenuCount", &plugins) || disks > 64 ||
      plugins > 64)
    return false;
  for (DWORD i = 0; i < disks; ++i) {
    std::string text;
    DWORD number = 0;
    if (!GetString(key.Get(), "DiskMenu" + std::to_string(i), &text) ||
        !GetNumber(key.Get(), "DiskNumber" + std::to_string(i), &number))
      return false;
    m.diskMenu.push_back(text);
    m.diskNumbers.push_back(static_cast<int>(number));
  }
  for (DWORD i = 0; i < plugins; ++i) {
    std::string text;
    if (!GetString(key.Get(), "PluginMenu" + std::to_string(i), &text))
      return false;
    m.pluginMenu.push_back(text);
  }
  if (menus)
    *menus = m;
  return true;
}

} // namespace farhost
