// The host's entry points. Each is a thin __stdcall wrapper that keeps any
// C++ exception from crossing into the host: the user is told once that
// the operation stopped, and the export returns its failure value. The
// operation's own frame has already ended the device operation and
// restored the screen on the way out.
#include "host/far_api.h"
#include "operations/copy_from_device.h"
#include "operations/copy_to_device.h"
#include "operations/delete_files.h"
#include "operations/listing.h"
#include "plugin/config_dialog.h"
#include "plugin/key_dispatch.h"
#include "plugin/panel_description.h"
#include "plugin/plugin_entry.h"
#include "services/messages.h"
#include "services/notices.h"
#include "services/plugin_state.h"

#include <windows.h>

#include <new>

using davu::PanelSession;

namespace {

PanelSession *Session(HANDLE panel) {
  return static_cast<PanelSession *>(panel);
}

void TellStopped(int reasonId) noexcept {
  try {
    davu::ShowOperationStopped(reasonId);
  } catch (...) {
  }
}

// Runs the export's body; `failed` is what the host gets when it throws.
template <typename Result, typename Body>
Result Guarded(Result failed, Body &&body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc &) {
    TellStopped(davu::MSG_STOPPED_NO_MEMORY);
  } catch (...) {
    TellStopped(davu::MSG_STOPPED_UNEXPECTED);
  }
  return failed;
}

template <typename Body> void Guarded(Body &&body) noexcept {
  Guarded(0, [&] {
    body();
    return 0;
  });
}

} // namespace

extern "C" {

void WINAPI SetStartupInfo(const farapi::PluginStartupInfo *info) {
  Guarded([&] { davu::SetStartupInfoImpl(info); });
}

void WINAPI GetPluginInfo(farapi::PluginInfo *info) {
  Guarded([&] { davu::GetPluginInfoImpl(info); });
}

HANDLE WINAPI OpenPlugin(int openFrom, int item) {
  return Guarded(INVALID_HANDLE_VALUE,
                 [&] { return davu::OpenPluginImpl(openFrom, item); });
}

void WINAPI GetOpenPluginInfo(HANDLE panel, farapi::OpenPluginInfo *info) {
  Guarded([&] { davu::GetOpenPluginInfoImpl(Session(panel), info); });
}

int WINAPI GetFindData(HANDLE panel, farapi::PluginPanelItem **items,
                       int *count, int opMode) {
  return Guarded(1, [&] {
    return davu::GetFindDataImpl(Session(panel), items, count, opMode);
  });
}

void WINAPI FreeFindData(HANDLE panel, farapi::PluginPanelItem *items,
                         int count) {
  Guarded([&] { davu::FreeFindDataImpl(Session(panel), items, count); });
}

int WINAPI ProcessKey(HANDLE panel, int key, unsigned controlState) {
  return Guarded(1, [&] {
    return davu::ProcessKeyImpl(Session(panel), key, controlState);
  });
}

int WINAPI Configure(int itemNumber) {
  return Guarded(0, [&] { return davu::ConfigureImpl(itemNumber); });
}

int WINAPI GetFiles(HANDLE panel, farapi::PluginPanelItem *items, int count,
                    int move, char *destPath, int opMode) {
  return Guarded(-1, [&] {
    return davu::GetFilesImpl(Session(panel), items, count, move, destPath,
                              opMode);
  });
}

int WINAPI DeleteFiles(HANDLE panel, farapi::PluginPanelItem *items, int count,
                       int opMode) {
  return Guarded(-1, [&] {
    return davu::DeleteFilesImpl(Session(panel), items, count, opMode);
  });
}

int WINAPI PutFiles(HANDLE panel, farapi::PluginPanelItem *items, int count,
                    int move, int opMode) {
  return Guarded(-1, [&] {
    return davu::PutFilesImpl(Session(panel), items, count, move, opMode);
  });
}

} // extern "C"
