// The commands on the player as a whole besides copy-all: delete every
// file, format a memory, switch between the memories and reconnect. The
// player's "Config.dat" on the internal memory is never deleted by them,
// and a format of the internal memory sends it back from the plug-in's
// folder.
#include "operations/whole_memory.h"

#include "device/device_link.h"
#include "device/memory_walk.h"
#include "host/far_api.h"
#include "host/unique_handle.h"
#include "operations/all_files.h"
#include "operations/failure_summary.h"
#include "operations/operation_frame.h"
#include "operations/player_ready.h"
#include "progress/progress_display.h"
#include "services/messages.h"
#include "services/notices.h"

#include <cstring>
#include <string>
#include <vector>

namespace davu {

namespace {

struct Victim {
  uint32_t FileIndex = 0;
  uint32_t Size = 0;
  std::string Name;
};

// The files delete-all removes from one memory, from one walk: every entry
// but the protected file, in the player's order, at most `limit` of them
// (what the counting pass found, so that a library that never reports the
// end cannot keep the walk going). Deleting them one by one afterwards picks
// the same files as reading the memory afresh before each.
std::vector<Victim> CollectVictims(int memory, int limit) {
  std::vector<Victim> victims;
  ForEachRecord(Device(), memory, WalkEnd::NoMoreFiles,
                [&](const usbctrl::tagFILE_ENTRY &record) {
                  if (static_cast<int>(victims.size()) >= limit)
                    return false;
                  if (!IsProtectedFile(memory, record.Name, sizeof record.Name))
                    victims.push_back({FileIndexOf(record), record.FileSize,
                                       RecordName(record)});
                  return true;
                });
  return victims;
}

// Deletes what the walks found, memory by memory; false when cancelled.
bool DeleteEveryFile(PanelSession *session, const FileCount &count,
                     std::vector<CountedFile> *deleted) {
  DeviceLink &device = Device();
  for (int memory : kMemories) {
    // Each file is tried once: one the library refuses to delete stays.
    for (const Victim &victim :
         CollectVictims(memory, count.PerMemory[memory])) {
      ++session->ItemNumber;
      SetDeletingItem(session->ItemNumber, session->ItemCount,
                      victim.Name.c_str());
      if (device.DeleteDeviceFile(memory, victim.FileIndex, victim.Size) ==
          usbctrl::kDone)
        deleted->push_back({memory, victim.FileIndex, victim.Name});
      if (device.Cancelled())
        return false;
    }
  }
  return true;
}

// The protected file sent back to a freshly formatted internal memory from
// the plug-in's folder, when it is there.
void SendConfigFileBack(DeviceLink &device) {
  std::string folder = PluginFolder();
  if (folder.size() > kFolderLimit)
    return;
  std::string path = folder + kConfigFileName;
  WIN32_FIND_DATAA data;
  UniqueFind search(FindFirstFileA(path.c_str(), &data));
  if (search && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
    device.DownloadFile(MEM_INTERNAL, path.c_str(), data.nFileSizeLow);
}

} // namespace

void DeleteAllFiles(PanelSession *session, HANDLE panel, bool silent) {
  if (!session || !PlayerReady(Device()))
    return;
  session->Options = 0;
  if (!silent && ShowMessageBox(farapi::FMSG_WARNING, "Deleting",
                                {MSG_WARNING_TITLE, MSG_DELETE_ALL,
                                 MSG_BTN_DELETE, MSG_CANCEL},
                                2) != 0)
    return;

  FileCount count = CountAllFiles(session);
  FailureSummary summary;
  summary.Handled(count.Files.size());
  std::vector<CountedFile> deleted;
  bool cancelled = false;

  {
    OperationFrame frame(*session);
    frame.Open(OM_DELETE, count.TotalSize, kProgressTitleDelete);
    cancelled = !DeleteEveryFile(session, count, &deleted);
  }
  // Whatever was counted and is not deleted stayed: refused, or the player
  // stopped answering.
  if (!cancelled)
    ReportUnreached(count, deleted, summary);
  UpdateAndRedraw(panel);
  summary.Show(0);
}

namespace {

// The card's capacity, asked afresh: 0 when there is no card.
uint32_t CardCapacity(DeviceLink &device) {
  if (device.CheckCard() != 0)
    device.Connect();
  int sizes[4] = {0, 0, 0, 0};
  device.GetMemorySizes(&sizes[0], &sizes[1], &sizes[2], &sizes[3]);
  return static_cast<uint32_t>(sizes[2]);
}

// A panel on a card that was taken out goes back to the internal memory.
void CardMissing(PanelSession *session, HANDLE panel) {
  ShowNoCard();
  session->Memory = MEM_INTERNAL;
  UpdateAndRedraw(panel);
}

} // namespace

void FormatSelectedMemory(PanelSession *session, HANDLE panel) {
  if (!session || !PlayerReady(Device()))
    return;
  DeviceLink &device = Device();
  bool internal = session->Memory == MEM_INTERNAL;
  if (!internal && CardCapacity(device) == 0) {
    CardMissing(session, panel);
    return;
  }
  if (ShowMessageBox(
          farapi::FMSG_WARNING, "Formating",
          {MSG_WARNING_TITLE, MSG_FORMAT_MEMORY, MSG_BTN_FORMAT, MSG_CANCEL},
          2) != 0)
    return;

  int result = usbctrl::kDone;
  {
    OperationFrame frame(*session);
    frame.SaveScreen();
    int sizes[4] = {0, 0, 0, 0};
    device.GetMemorySizes(&sizes[0], &sizes[1], &sizes[2], &sizes[3]);
    frame.StartProgress();
    SetProgressTitle(kProgressTitleFormat);
    SetProgressNote(internal ? kProgressFormatInternal
                             : kProgressFormatExternal);
    uint32_t total = static_cast<uint32_t>(internal ? sizes[0] : sizes[2]);

    // OM_FORMAT stays set through the download of "Config.dat": the box
    // keeps its format form and Escape is not watched.
    frame.Begin(OM_FORMAT, total);
    result = device.FormatMemory(session->Memory);
    if (internal && result == usbctrl::kDone)
      SendConfigFileBack(device);
  }
  // The panel shows what the memory holds, formatted or not.
  UpdateAndRedraw(panel);
  if (result != usbctrl::kDone)
    ShowMessageBox(farapi::FMSG_WARNING, "Formating",
                   {MSG_ERROR_TITLE, MSG_FORMAT_FAILED, MSG_OK}, 1);
}

void SwitchMemory(PanelSession *session, HANDLE panel) {
  if (!session || !PlayerReady(Device()))
    return;
  DeviceLink &device = Device();
  if (session->Memory == MEM_EXTERNAL) {
    session->Memory = MEM_INTERNAL;
    UpdateAndRedraw(panel);
    return;
  }
  // No card: the panel stays on the internal memory, and the user is told.
  if (CardCapacity(device) == 0) {
    ShowNoCard();
    return;
  }
  session->Memory = MEM_EXTERNAL;
  UpdateAndRedraw(panel);
}

void ReconnectDevice(PanelSession *session, HANDLE panel) {
  if (!session)
    return;
  SavedScreen screen;
  ShowConnectingBox();
  int result = Device().Connect();
  if (result != usbctrl::kDone && result != usbctrl::kConnectedWithWarning) {
    ShowDeviceNotReady();
    return;
  }
  if (result == usbctrl::kConnectedWithWarning)
    ShowConnectWarning();
  screen.Restore();
  UpdateAndRedraw(panel);
}

} // namespace davu
