// Deleting selected files on the player, one library call per file.
#include "operations/delete_files.h"

#include "device/device_link.h"
#include "operations/operation_frame.h"
#include "plugin/messages.h"
#include "plugin/notices.h"
#include "progress/progress_display.h"

#include <cstring>

namespace davu {

namespace {

// The player's configuration file lives on the internal memory and is never
// deleted from there; the name is compared exactly, case included.
bool IsKeptFile(const farapi::PluginPanelItem &item, int memory) {
  static const char kConfigName[] = "Config.dat";
  return memory == MEM_INTERNAL &&
         memcmp(item.FindData.cFileName, kConfigName, sizeof kConfigName) == 0;
}

} // namespace

int DeleteFilesImpl(PanelSession *session, farapi::PluginPanelItem *items,
                    int count, int opMode) {
  if (!session || !Device().CheckReady())
    return -1;
  if (!items || count < 0)
    count = 0;
  if (!(opMode & farapi::OPM_SILENT) &&
      ShowMessageBox(
          farapi::FMSG_WARNING, "Deleting",
          {MSG_WARNING_TITLE, MSG_DELETE_FILES, MSG_BTN_DELETE, MSG_CANCEL},
          2) != 0)
    return -1;

  const int memory = session->Memory;
  OperationFrame frame(*session);
  session->ProgressWindow.store(nullptr);
  frame.SaveScreen();

  session->ItemCount = 0;
  uint32_t total = 0;
  for (int i = 0; i < count; ++i) {
    if (IsKeptFile(items[i], memory))
      continue;
    ++session->ItemCount;
    total += items[i].FindData.nFileSizeLow;
  }

  frame.Begin(OM_DELETE, total);
  frame.StartProgress();
  SetProgressTitle("Delete");
  session->ItemNumber = 0;

  for (int i = 0; i < count; ++i) {
    const farapi::PluginPanelItem &item = items[i];
    if (!IsKeptFile(item, memory)) {
      ++session->ItemNumber;
      char name[farapi::NM + 1] = {};
      memcpy(name, item.FindData.cFileName, farapi::NM);
      SetProgressItem("Deleting(%i of %i): %.60s", session->ItemNumber,
                      session->ItemCount, name);
      Device().DeleteDeviceFile(memory, item.UserData,
                                item.FindData.nFileSizeLow);
    }
    if (Device().Cancelled())
      return -1;
  }
  return 1;
}

} // namespace davu
