// SetStartupInfo, GetPluginInfo and OpenPlugin: the process-wide state they
// set up and the opening of a panel.
#include "plugin/plugin_entry.h"

#include "device/device_link.h"
#include "services/messages.h"
#include "services/notices.h"
#include "services/plugin_state.h"
#include "services/settings.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace davu {

namespace {

constexpr int kCurrentStartupInfoSize = sizeof(farapi::PluginStartupInfo);

} // namespace

void SetStartupInfoImpl(const farapi::PluginStartupInfo *info) {
  if (!info)
    return;
  memcpy(&HostInfo, info, sizeof HostInfo);
  HostInfo.ModuleName[sizeof HostInfo.ModuleName - 1] = 0;
  PluginContext &plugin = Plugin();
  if (info->FSF) {
    memcpy(&plugin.HostFunctions, info->FSF, sizeof plugin.HostFunctions);
    HostInfo.FSF = &plugin.HostFunctions;
  }
  if (info->RootKey) {
    snprintf(plugin.HostRootKey, sizeof plugin.HostRootKey, "%s",
             info->RootKey);
    HostInfo.RootKey = plugin.HostRootKey;
  }

  if (!plugin.LibraryBound) {
    plugin.LibraryBound = true;
    plugin.Link.Bind(PluginFolder().c_str());
    // Copies made for the player by a process that was killed mid-send.
    RemoveSendCopies();
  }
  plugin.Settings = LoadSettings();
  plugin.HostTooOld = static_cast<unsigned>(info->StructSize) <
                      static_cast<unsigned>(kCurrentStartupInfoSize);
}

void GetPluginInfoImpl(farapi::PluginInfo *info) {
  if (!info)
    return;
  PluginContext &plugin = Plugin();
  info->StructSize = sizeof(farapi::PluginInfo);
  info->Flags = 0;
  if (plugin.Settings.DiskMenu) {
    plugin.DiskMenuStrings[0] = MsgText(MSG_DISK_MENU);
    info->DiskMenuStrings = plugin.DiskMenuStrings;
    info->DiskMenuStringsNumber = 1;
    if (plugin.Settings.DiskMenuHotKey != 0) {
      plugin.DiskMenuNumbers[0] = plugin.Settings.DiskMenuHotKey - '0';
      info->DiskMenuNumbers = plugin.DiskMenuNumbers;
    } else {
      info->DiskMenuNumbers = nullptr;
    }
  } else {
    info->DiskMenuStrings = nullptr;
    info->DiskMenuNumbers = nullptr;
    info->DiskMenuStringsNumber = 0;
  }
  plugin.PluginMenuStrings[0] = MsgText(MSG_PLUGIN_NAME);
  info->PluginMenuStrings = plugin.PluginMenuStrings;
  info->PluginMenuStringsNumber = 1;
  plugin.PluginConfigStrings[0] = MsgText(MSG_PLUGIN_NAME);
  info->PluginConfigStrings = plugin.PluginConfigStrings;
  info->PluginConfigStringsNumber = 1;
  info->CommandPrefix = nullptr;
}

HANDLE OpenPluginImpl(int openFrom, int /*item*/) {
  if (openFrom != farapi::OPEN_DISKMENU &&
      openFrom != farapi::OPEN_PLUGINSMENU &&
      openFrom != farapi::OPEN_SHORTCUT && openFrom != farapi::OPEN_COMMANDLINE)
    return INVALID_HANDLE_VALUE;
  PluginContext &plugin = Plugin();
  if (plugin.HostTooOld)
    ShowHostTooOld();

  DeviceLink &device = plugin.Link;
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
