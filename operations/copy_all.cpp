// Copy-all and move-all: every file of both memories but the protected one
// to the other panel's folder; a move then deletes on the player exactly
// the files that reached the PC.
#include "operations/whole_memory.h"

#include "device/device_link.h"
#include "device/file_time.h"
#include "device/memory_walk.h"
#include "host/far_api.h"
#include "operations/all_files.h"
#include "operations/copy_from_device.h"
#include "operations/failure_summary.h"
#include "operations/operation_frame.h"
#include "operations/player_ready.h"
#include "operations/working_folder.h"
#include "progress/progress_display.h"
#include "services/messages.h"
#include "services/notices.h"

#include <cstring>
#include <string>
#include <vector>

namespace davu {

namespace {

struct CopiedFile {
  int Memory;
  uint32_t FileIndex;
  uint32_t Size;
  std::string Name;
};

// What one copy-all pass carries from file to file.
struct CopyAllPass {
  PanelSession &Session;
  DeviceLink &Device;
  const std::string &Destination;
  bool Move;
  bool KeepExisting;
  FailureSummary &Summary;
  std::vector<CopiedFile> Copied;   // files a move deletes afterwards
  std::vector<CountedFile> Reached; // files the pass came to
};

// The second half of a move-all: deletes on the player exactly the files
// that reached the PC folder, so that nothing exists on neither side.
void DeleteCopiedFiles(PanelSession *session, HANDLE panel,
                       const std::vector<CopiedFile> &copied,
                       FailureSummary &summary) {
  DeviceLink &device = Device();
  if (!PlayerReady(device)) {
    for (const CopiedFile &file : copied)
      summary.Failed(file.Name, FailReason::NoAnswer);
    return;
  }
  uint32_t total = 0;
  for (const CopiedFile &file : copied)
    total += file.Size;
  session->ItemCount = static_cast<int32_t>(copied.size());

  OperationFrame frame(*session);
  frame.Open(OM_DELETE, total, kProgressTitleDelete);
  for (const CopiedFile &file : copied) {
    ++session->ItemNumber;
    SetDeletingItem(session->ItemNumber, session->ItemCount, file.Name.c_str());
    int result =
        device.DeleteDeviceFile(file.Memory, file.FileIndex, file.Size);
    if (device.Cancelled())
      break;
    if (result != usbctrl::kDone)
      summary.Failed(file.Name, FailReason::NoAnswer);
  }
  frame.Finish();
  UpdateAndRedraw(panel);
}

// The other panel's folder made current; false when there is none.
bool EnterOtherPanelFolder(HANDLE panel, std::string *destination) {
  farapi::PanelInfo other;
  memset(&other, 0, sizeof other);
  HostInfo.Control(panel, farapi::FCTL_GETANOTHERPANELINFO, &other);
  destination->assign(other.CurDir, strnlen(other.CurDir, sizeof other.CurDir));
  return !destination->empty() && SetCurrentDirectoryA(destination->c_str());
}

// The confirmation; false when the user declined.
bool ConfirmCopyAll(PanelSession *session, bool move) {
  session->Options = 0;
  int answer =
      move ? ShowMessageBox(farapi::FMSG_WARNING, "Uploading",
                            {MSG_WARNING_TITLE, MSG_MOVE_ALL, MSG_BTN_MOVE,
                             MSG_BTN_MOVE_KEEP, MSG_CANCEL},
                            3)
           : ShowMessageBox(0, "Uploading",
                            {MSG_WARNING_TITLE, MSG_COPY_ALL, MSG_BTN_COPY,
                             MSG_BTN_COPY_KEEP, MSG_CANCEL},
                            3);
  if (answer == 1)
    session->Options |= PSO_KEEPEXISTING;
  return answer == 0 || answer == 1;
}

void UploadRecord(CopyAllPass &pass, int memory,
                  const usbctrl::tagFILE_ENTRY &record) {
  pass.Reached.push_back({memory, FileIndexOf(record), record.Name});
  ++pass.Session.ItemNumber;
  SetProgressItem(kProgressItemUpload, pass.Session.ItemNumber,
                  pass.Session.ItemCount, record.Name, 60);
  SetCurrentDirectoryA(pass.Destination.c_str());
  // A name that would reach outside the folder is never written.
  if (!IsSafePcName(record.Name)) {
    pass.Summary.Failed(record.Name, FailReason::NameNotAllowed);
    return;
  }
  FILETIME writeTime;
  DosDateTimeToUtcFileTime(record.LastWriteDate, record.LastWriteTime,
                           &writeTime);
  FailReason reason = FailReason::Unknown;
  UploadOutcome outcome =
      UploadIntoFolder(memory, FileIndexOf(record), record.FileSize,
                       record.Name, writeTime, pass.KeepExisting, &reason);
  if (outcome == UploadOutcome::Copied && pass.Move)
    pass.Copied.push_back(
        {memory, FileIndexOf(record), record.FileSize, record.Name});
  if (outcome == UploadOutcome::Failed)
    pass.Summary.Failed(record.Name, reason);
}

// Every file of both memories to the folder; false when cancelled.
bool UploadEveryFile(CopyAllPass &pass) {
  for (int memory : kMemories) {
    ForEachRecord(
        pass.Device, memory, WalkEnd::AnyFailure,
        [&](const usbctrl::tagFILE_ENTRY &record) {
          if (!IsProtectedFile(memory, record.Name, sizeof record.Name))
            UploadRecord(pass, memory, record);
          return !pass.Device.Cancelled();
        });
    if (pass.Device.Cancelled())
      return false;
  }
  return true;
}

} // namespace

void CopyAllToOtherPanel(PanelSession *session, HANDLE panel, bool move) {
  if (!session || !PlayerReady(Device()))
    return;
  WorkingFolderGuard working(kFolderLimit);
  std::string destination;
  if (!working.Remembered() || !EnterOtherPanelFolder(panel, &destination) ||
      !ConfirmCopyAll(session, move))
    return;

  FileCount count = CountAllFiles(session);
  FailureSummary summary;
  summary.Handled(count.Files.size());
  CopyAllPass pass{*session,
                   Device(),
                   destination,
                   move,
                   (session->Options & PSO_KEEPEXISTING) != 0,
                   summary,
                   {},
                   {}};
  {
    OperationFrame frame(*session);
    frame.Open(OM_UPLOAD, count.TotalSize, kProgressTitleUpload);
    if (!UploadEveryFile(pass)) {
      // Folder first, then the frame: nothing is deleted, nothing updated.
      working.Restore();
      frame.Finish();
      summary.Show(0);
      return;
    }
  }
  working.Restore();
  ReportUnreached(count, pass.Reached, summary);
  if (move)
    DeleteCopiedFiles(session, panel, pass.Copied, summary);
  else
    UpdateAndRedraw(panel);
  summary.Show(0);
}

} // namespace davu
