// The four settings, kept as text values in the registry below the host's
// root key, and their in-memory copies.
#pragma once

#include <string>

namespace davu {

constexpr int kExtensionListSize = 512; // 511 characters and the zero

struct PluginSettingsRecord {
  bool DiskMenu = true;
  char DiskMenuHotKey = 0; // 0 for none
  char CurDirExt[kExtensionListSize] = ".*;";
  char SubDirExt[kExtensionListSize] = ".mp3; .wma;";
};

// HKCU\<RootKey>\DAVU Manager\, built afresh for every access.
std::string SettingsKeyPath();
// The stored text, or the default when the key or value cannot be read.
std::string ReadSetting(const char *name, const char *defaultText);
// Creates the key when needed; a failed write goes unnoticed.
void WriteSetting(const char *name, const char *text);
// The settings from the store, as at start-up.
PluginSettingsRecord LoadSettings();

} // namespace davu
