// Deleting selected files on the player, one library call per file.
#include "operations/delete_files.h"

#include "device/device_link.h"
#include "device/memory_walk.h"
#include "operations/operation_frame.h"
#include "operations/player_ready.h"
#include "progress/progress_display.h"
#include "services/messages.h"
#include "services/notices.h"

#include <cstring>

namespace davu {

namespace {

bool IsKeptFile(const farapi::PluginPanelItem &item, int memory) {
  return IsProtectedFile(memory, item.FindData.cFileName,
                         sizeof item.FindData.cFileName);
}

// The deletions with their progress box; false when cancelled.
bool DeleteOnPlayer(PanelSession &session, farapi::PluginPanelItem *items,
                    int count, FailureSummary &summary,
                    std::vector<char> *went) {
  went->assign(count > 0 ? count : 0, 0);
  const int memory = session.Memory;
  OperationFrame frame(session);
  session.ProgressWindow.store(nullptr);
  frame.SaveScreen();

  session.ItemCount = 0;
  uint32_t total = 0;
  for (int i = 0; i < count; ++i) {
    if (IsKeptFile(items[i], memory))
      continue;
    ++session.ItemCount;
    total += items[i].FindData.nFileSizeLow;
  }

  frame.Begin(OM_DELETE, total);
  frame.StartProgress();
  SetProgressTitle(kProgressTitleDelete);
  session.ItemNumber = 0;

  for (int i = 0; i < count; ++i) {
    const farapi::PluginPanelItem &item = items[i];
    char name[farapi::NM + 1] = {};
    memcpy(name, item.FindData.cFileName, farapi::NM);
    if (IsKeptFile(item, memory)) {
      (*went)[i] = 1;
    } else {
      ++session.ItemNumber;
      summary.Handled();
      SetDeletingItem(session.ItemNumber, session.ItemCount, name);
      int result = Device().DeleteDeviceFile(memory, item.UserData,
                                             item.FindData.nFileSizeLow);
      if (result == usbctrl::kDone)
        (*went)[i] = 1;
      else if (!Device().Cancelled())
        summary.Failed(name, FailReason::NoAnswer);
    }
    if (Device().Cancelled())
      return false;
  }
  return true;
}

} // namespace

void DeselectItemsThatWent(farapi::PluginPanelItem *items, int count,
                           const std::vector<char> &went) {
  for (int i = 0; i < count && i < static_cast<int>(went.size()); ++i)
    if (went[i])
      items[i].Flags &= ~static_cast<DWORD>(farapi::PPIF_SELECTED);
}

int DeleteFilesImpl(PanelSession *session, farapi::PluginPanelItem *items,
                    int count, int opMode) {
  if (!session || !PlayerReady(Device()))
    return -1;
  if (!items || count < 0)
    count = 0;
  if (!(opMode & farapi::OPM_SILENT) &&
      ShowMessageBox(
          farapi::FMSG_WARNING, "Deleting",
          {MSG_WARNING_TITLE, MSG_DELETE_FILES, MSG_BTN_DELETE, MSG_CANCEL},
          2) != 0)
    return -1;

  FailureSummary summary;
  std::vector<char> went;
  bool finished = DeleteOnPlayer(*session, items, count, summary, &went);
  DeselectItemsThatWent(items, count, went);
  summary.Show(opMode);
  if (!finished)
    return -1;
  return summary.FailedCount() ? 0 : 1;
}

int DeleteMovedItems(PanelSession *session, farapi::PluginPanelItem *items,
                     int count, FailureSummary &summary,
                     std::vector<char> *went) {
  went->assign(count > 0 ? count : 0, 0);
  if (!session || !PlayerReady(Device())) {
    for (int i = 0; i < count; ++i) {
      char name[farapi::NM + 1] = {};
      memcpy(name, items[i].FindData.cFileName, farapi::NM);
      summary.Failed(name, FailReason::NoAnswer);
    }
    return 0;
  }
  // The files were counted by the copy; only their failures are added.
  FailureSummary deletions;
  bool finished = DeleteOnPlayer(*session, items, count, deletions, went);
  summary.TakeFailures(deletions);
  return finished ? 1 : -1;
}

} // namespace davu
