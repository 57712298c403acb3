// SetStartupInfo, GetPluginInfo and OpenPlugin: the process-wide state they
// set up and the opening of a panel.
#include "plugin/plugin_entry.h"

#include "device/device_link.h"
#include "plugin/messages.h"
#include "plugin/notices.h"
#include "plugin/plugin_state.h"
#include "plugin/settings.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace davu {

namespace {

constexpr int kCurrentStartupInfoSize = sizeof(farapi::PluginStartupInfo);

// The host's table and its standard functions live on the host's stack for
// the length of SetStartupInfo only; these copies outlive it. The root key
// is copied too, as the settings need it at any later time.
farapi::FarStandardFunctions host_functions = {};
char host_root_key[1024] = {};
bool device_bound = false;

// What GetPluginInfo points the host at; refilled on every call.
const char *disk_menu_strings[1];
int disk_menu_numbers[1];
const char *plugin_menu_strings[1];
const char *plugin_config_strings[1];

} // namespace

void SetStartupInfoImpl(const farapi::PluginStartupInfo *info) {
  if (!info)
    return;
  memcpy(&HostInfo, info, sizeof HostInfo);
  HostInfo.ModuleName[sizeof HostInfo.ModuleName - 1] = 0;
  if (info->FSF) {
    memcpy(&host_functions, info->FSF, sizeof host_functions);
    HostInfo.FSF = &host_functions;
  }
  if (info->RootKey) {
    snprintf(host_root_key, sizeof host_root_key, "%s", info->RootKey);
    HostInfo.RootKey = host_root_key;
  }

  // The library is bound once per process; a failed binding stays failed.
  if (!device_bound) {
    device_bound = true;
    Device().Bind(PluginFolder().c_str());
    // Copies made for the player by a process that was killed mid-send.
    RemoveSendCopies();
  }
  LoadSettings();
  HostTooOld = static_cast<unsigned>(info->StructSize) <
               static_cast<unsigned>(kCurrentStartupInfoSize);
}

void GetPluginInfoImpl(farapi::PluginInfo *info) {
  if (!info)
    return;
  info->StructSize = sizeof(farapi::PluginInfo);
  info->Flags = 0;
  if (PluginSettings.DiskMenu) {
    disk_menu_strings[0] = MsgText(MSG_DISK_MENU);
    info->DiskMenuStrings = disk_menu_strings;
    info->DiskMenuStringsNumber = 1;
    if (PluginSettings.DiskMenuHotKey != 0) {
      disk_menu_numbers[0] = PluginSettings.DiskMenuHotKey - '0';
      info->DiskMenuNumbers = disk_menu_numbers;
    } else {
      info->DiskMenuNumbers = nullptr;
    }
  } else {
    info->DiskMenuStrings = nullptr;
    info->DiskMenuNumbers = nullptr;
    info->DiskMenuStringsNumber = 0;
  }
  plugin_menu_strings[0] = MsgText(MSG_PLUGIN_NAME);
  info->PluginMenuStrings = plugin_menu_strings;
  info->PluginMenuStringsNumber = 1;
  plugin_config_strings[0] = MsgText(MSG_PLUGIN_NAME);
  info->PluginConfigStrings = plugin_config_strings;
  info->PluginConfigStringsNumber = 1;
  info->CommandPrefix = nullptr;
}

HANDLE OpenPluginImpl(int openFrom, int /*item*/) {
  if (openFrom != farapi::OPEN_DISKMENU &&
      openFrom != farapi::OPEN_PLUGINSMENU &&
      openFrom != farapi::OPEN_SHORTCUT && openFrom != farapi::OPEN_COMMANDLINE)
    return INVALID_HANDLE_VALUE;
  if (HostTooOld)
    ShowHostTooOld();

  DeviceLink &device = Device();
  if (device.LoadStage != LS_BOUND) {
    ShowLoadFailure(device.LoadStage);
    return INVALID_HANDLE_VALUE;
  }

  {
    // The connecting box and any notice drawn over it go with this restore.
    SavedScreen screen;
    ShowConnectingBox();
    int result = device.Connect();
    if (result == usbctrl::kConnectedWithWarning) {
      ShowConnectWarning();
    } else if (result != 0) {
      ShowDeviceNotReady();
      return INVALID_HANDLE_VALUE;
    }
  }

  PanelSession *session = new (std::nothrow) PanelSession();
  if (!session)
    return INVALID_HANDLE_VALUE;
  return session;
}

} // namespace davu
