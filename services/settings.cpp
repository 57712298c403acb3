// The four settings as REG_SZ values under HKCU\<RootKey>\DAVU Manager\.
#include "services/settings.h"

#include "host/host_table.h"
#include "host/unique_handle.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace davu {

namespace {

constexpr DWORD kValueBufferSize = 4096;
constexpr int kStartupListLimit = 510;

void CopyList(char (&destination)[kExtensionListSize],
              const std::string &text) {
  snprintf(destination, sizeof destination, "%.*s", kStartupListLimit,
           text.c_str());
}

} // namespace

std::string SettingsKeyPath() {
  std::string path = HostInfo.RootKey ? HostInfo.RootKey : "";
  if (path.empty() || path.back() != '\\')
    path += '\\';
  path += "DAVU Manager\\";
  return path;
}

std::string ReadSetting(const char *name, const char *defaultText) {
  UniqueRegistryKey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKeyPath().c_str(), 0,
                    KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
    return defaultText;
  char buffer[kValueBufferSize];
  DWORD size = sizeof buffer;
  if (RegQueryValueExA(key.Get(), name, nullptr, nullptr,
                       reinterpret_cast<BYTE *>(buffer),
                       &size) != ERROR_SUCCESS)
    return defaultText;
  // A stored value need not end in a zero byte: take the text up to the
  // first zero within what was read.
  return std::string(buffer, strnlen(buffer, size));
}

void WriteSetting(const char *name, const char *text) {
  UniqueRegistryKey key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKeyPath().c_str(), 0, nullptr,
                      0, KEY_WRITE, nullptr, key.Receive(),
                      nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExA(key.Get(), name, 0, REG_SZ,
                 reinterpret_cast<const BYTE *>(text),
                 static_cast<DWORD>(strlen(text) + 1));
}

PluginSettingsRecord LoadSettings() {
  PluginSettingsRecord settings;
  settings.DiskMenu = !ReadSetting("DiskMenu", "1").empty();
  std::string hotKey = ReadSetting("DiskMenuHotKey", "");
  settings.DiskMenuHotKey = hotKey.empty() ? 0 : hotKey[0];
  CopyList(settings.CurDirExt, ReadSetting("CurDirExt", ".*;"));
  CopyList(settings.SubDirExt, ReadSetting("SubDirExt", ".mp3; .wma;"));
  return settings;
}

} // namespace davu
