// The host's entry points. Each is a thin __stdcall wrapper that keeps any
// C++ exception from crossing into the host.
#include "host/far_api.h"
#include "operations/copy_from_device.h"
#include "operations/copy_to_device.h"
#include "operations/delete_files.h"
#include "operations/listing.h"
#include "plugin/config_dialog.h"
#include "plugin/key_dispatch.h"
#include "plugin/panel_description.h"
#include "plugin/plugin_entry.h"
#include "plugin/plugin_state.h"

#include <windows.h>

using davu::PanelSession;

namespace {
PanelSession *Session(HANDLE panel) {
  return static_cast<PanelSession *>(panel);
}
} // namespace

extern "C" {

void WINAPI SetStartupInfo(const farapi::PluginStartupInfo *info) {
  try {
    davu::SetStartupInfoImpl(info);
  } catch (...) {
  }
}

void WINAPI GetPluginInfo(farapi::PluginInfo *info) {
  try {
    davu::GetPluginInfoImpl(info);
  } catch (...) {
  }
}

HANDLE WINAPI OpenPlugin(int openFrom, int item) {
  try {
    return davu::OpenPluginImpl(openFrom, item);
  } catch (...) {
    return INVALID_HANDLE_VALUE;
  }
}

void WINAPI GetOpenPluginInfo(HANDLE panel, farapi::OpenPluginInfo *info) {
  try {
    davu::GetOpenPluginInfoImpl(Session(panel), info);
  } catch (...) {
  }
}

int WINAPI GetFindData(HANDLE panel, farapi::PluginPanelItem **items,
                       int *count, int opMode) {
  try {
    return davu::GetFindDataImpl(Session(panel), items, count, opMode);
  } catch (...) {
    return 1;
  }
}

void WINAPI FreeFindData(HANDLE panel, farapi::PluginPanelItem *items,
                         int count) {
  try {
    davu::FreeFindDataImpl(Session(panel), items, count);
  } catch (...) {
  }
}

int WINAPI ProcessKey(HANDLE panel, int key, unsigned controlState) {
  try {
    return davu::ProcessKeyImpl(Session(panel), key, controlState);
  } catch (...) {
    return 1;
  }
}

int WINAPI Configure(int itemNumber) {
  try {
    return davu::ConfigureImpl(itemNumber);
  } catch (...) {
    return 0;
  }
}

int WINAPI GetFiles(HANDLE panel, farapi::PluginPanelItem *items, int count,
                    int move, char *destPath, int opMode) {
  try {
    return davu::GetFilesImpl(Session(panel), items, count, move, destPath,
                              opMode);
  } catch (...) {
    return -1;
  }
}

int WINAPI DeleteFiles(HANDLE panel, farapi::PluginPanelItem *items, int count,
                       int opMode) {
  try {
    return davu::DeleteFilesImpl(Session(panel), items, count, opMode);
  } catch (...) {
    return -1;
  }
}

int WINAPI PutFiles(HANDLE panel, farapi::PluginPanelItem *items, int count,
                    int move, int opMode) {
  try {
    return davu::PutFilesImpl(Session(panel), items, count, move, opMode);
  } catch (...) {
    return -1;
  }
}

} // extern "C"
