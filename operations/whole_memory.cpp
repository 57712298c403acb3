// The commands on the player as a whole: copy or move every file to the
// other panel's folder, delete every file, format a memory, switch between
// the memories and reconnect. The player's "Config.dat" on the internal
// memory is never copied or deleted by them, and a format of the internal
// memory sends it back from the plug-in's folder.
#include "operations/whole_memory.h"

#include "device/device_link.h"
#include "device/file_time.h"
#include "host/far_api.h"
#include "operations/copy_from_device.h"
#include "operations/failure_summary.h"
#include "operations/operation_frame.h"
#include "operations/working_folder.h"
#include "plugin/messages.h"
#include "plugin/notices.h"
#include "progress/progress_display.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace davu {

namespace {

constexpr size_t kFolderLimit = 3071;
constexpr int kMemories[] = {MEM_INTERNAL, MEM_EXTERNAL};
const char kProtectedName[] = "Config.dat";

bool IsProtected(int memory, const char *name) {
  return memory == MEM_INTERNAL && strcmp(name, kProtectedName) == 0;
}

uint32_t FileIndexOf(const usbctrl::tagFILE_ENTRY &record) {
  return record.FileIndex & 0xFFFF;
}

void UpdateAndRedraw(HANDLE panel) {
  HostInfo.Control(panel, farapi::FCTL_UPDATEPANEL, nullptr);
  HostInfo.Control(panel, farapi::FCTL_REDRAWPANEL, nullptr);
}

struct CountedFile {
  int Memory;
  uint32_t FileIndex;
  std::string Name;
};

struct FileCount {
  uint32_t TotalSize = 0;
  int PerMemory[2] = {0, 0};
  // What the pass found, so that files a later pass never reached (the
  // player stopped answering) are still reported.
  std::vector<CountedFile> Files;
};

bool Listed(const std::vector<CountedFile> &files, int memory,
            uint32_t fileIndex) {
  for (const CountedFile &file : files)
    if (file.Memory == memory && file.FileIndex == fileIndex)
      return true;
  return false;
}

// Counted files the pass did not deal with: the player stopped answering.
void ReportUnreached(const FileCount &count,
                     const std::vector<CountedFile> &dealtWith,
                     FailureSummary &summary) {
  for (const CountedFile &file : count.Files)
    if (!Listed(dealtWith, file.Memory, file.FileIndex))
      summary.Failed(file.Name, FailReason::NoAnswer);
}

// The counting pass of copy-all and delete-all: every entry of both
// memories but the protected file.
FileCount CountAllFiles(PanelSession *session) {
  DeviceLink &device = Device();
  FileCount count;
  session->ItemCount = 0;
  device.BeginOperation(OM_LIST, 0);
  usbctrl::tagFILE_ENTRY record;
  memset(&record, 0, sizeof record);
  for (int memory : kMemories) {
    // Any result but "done" ends the listing: a player that stopped
    // answering has no further entries to give.
    for (int r = device.FindFirst(memory, &record); r == usbctrl::kDone;
         r = device.FindNext(memory, &record)) {
      if (IsProtected(memory, record.Name))
        continue;
      ++session->ItemCount;
      ++count.PerMemory[memory];
      count.TotalSize += record.FileSize;
      count.Files.push_back({memory, FileIndexOf(record), record.Name});
    }
  }
  device.EndOperation();
  return count;
}

struct CopiedFile {
  int Memory;
  uint32_t FileIndex;
  uint32_t Size;
  std::string Name;
};

// The second half of a move-all: deletes on the player exactly the files
// that reached the PC folder, so that nothing exists on neither side.
void DeleteCopiedFiles(PanelSession *session, HANDLE panel,
                       const std::vector<CopiedFile> &copied,
                       FailureSummary &summary) {
  DeviceLink &device = Device();
  if (!device.CheckReady()) {
    for (const CopiedFile &file : copied)
      summary.Failed(file.Name, FailReason::NoAnswer);
    return;
  }
  uint32_t total = 0;
  for (const CopiedFile &file : copied)
    total += file.Size;
  session->ItemCount = static_cast<int32_t>(copied.size());

  OperationFrame frame(*session);
  frame.SaveScreen();
  frame.StartProgress();
  SetProgressTitle("Delete");
  frame.Begin(OM_DELETE, total);
  session->ItemNumber = 0;
  for (const CopiedFile &file : copied) {
    ++session->ItemNumber;
    SetProgressItem("Deleting(%i of %i): %.60s", session->ItemNumber,
                    session->ItemCount, file.Name.c_str());
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
  DeviceLink &device = Device();
  std::vector<Victim> victims;
  usbctrl::tagFILE_ENTRY record;
  memset(&record, 0, sizeof record);
  for (int r = device.FindFirst(memory, &record); r != usbctrl::kNoMoreFiles;
       r = device.FindNext(memory, &record)) {
    if (static_cast<int>(victims.size()) >= limit)
      break;
    if (!IsProtected(memory, record.Name))
      victims.push_back(
          {FileIndexOf(record), record.FileSize,
           std::string(record.Name, strnlen(record.Name, sizeof record.Name))});
  }
  return victims;
}

// A file search handle closed when the scope ends.
class FileSearch {
public:
  explicit FileSearch(const char *path)
      : handle_(FindFirstFileA(path, &data_)) {}
  ~FileSearch() {
    if (handle_ != INVALID_HANDLE_VALUE)
      FindClose(handle_);
  }
  FileSearch(const FileSearch &) = delete;
  FileSearch &operator=(const FileSearch &) = delete;
  bool Found() const { return handle_ != INVALID_HANDLE_VALUE; }
  const WIN32_FIND_DATAA &Data() const { return data_; }

private:
  WIN32_FIND_DATAA data_;
  HANDLE handle_;
};

} // namespace

void CopyAllToOtherPanel(PanelSession *session, HANDLE panel, bool move) {
  if (!session)
    return;
  DeviceLink &device = Device();
  if (!device.CheckReady())
    return;

  farapi::PanelInfo other;
  memset(&other, 0, sizeof other);
  HostInfo.Control(panel, farapi::FCTL_GETANOTHERPANELINFO, &other);
  std::string destination(other.CurDir,
                          strnlen(other.CurDir, sizeof other.CurDir));

  WorkingFolderGuard working(kFolderLimit);
  if (!working.Remembered())
    return;
  if (destination.empty() || !SetCurrentDirectoryA(destination.c_str()))
    return;

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
  else if (answer != 0)
    return;
  bool keepExisting = (session->Options & PSO_KEEPEXISTING) != 0;

  FileCount count = CountAllFiles(session);

  std::vector<CopiedFile> copied;
  std::vector<CountedFile> reached;
  FailureSummary summary;
  summary.Handled(count.Files.size());
  bool cancelled = false;
  {
    OperationFrame frame(*session);
    frame.SaveScreen();
    frame.StartProgress();
    SetProgressTitle("Upload");
    frame.Begin(OM_UPLOAD, count.TotalSize);
    session->ItemNumber = 0;

    usbctrl::tagFILE_ENTRY record;
    memset(&record, 0, sizeof record);
    for (int memory : kMemories) {
      for (int r = device.FindFirst(memory, &record); r == usbctrl::kDone;
           r = device.FindNext(memory, &record)) {
        if (!IsProtected(memory, record.Name)) {
          reached.push_back({memory, FileIndexOf(record), record.Name});
          ++session->ItemNumber;
          SetProgressItem("Uploading(%i of %i): %.60s", session->ItemNumber,
                          session->ItemCount, record.Name);
          SetCurrentDirectoryA(destination.c_str());
          // A name that would reach outside the folder is never written.
          if (IsSafePcName(record.Name)) {
            FILETIME writeTime;
            DosDateTimeToUtcFileTime(record.LastWriteDate, record.LastWriteTime,
                                     &writeTime);
            FailReason reason = FailReason::Unknown;
            UploadOutcome outcome =
                UploadIntoFolder(memory, FileIndexOf(record), record.FileSize,
                                 record.Name, writeTime, keepExisting, &reason);
            if (outcome == UploadOutcome::Copied && move)
              copied.push_back(
                  {memory, FileIndexOf(record), record.FileSize, record.Name});
            if (outcome == UploadOutcome::Failed)
              summary.Failed(record.Name, reason);
          } else {
            summary.Failed(record.Name, FailReason::NameNotAllowed);
          }
        }
        if (device.Cancelled()) {
          cancelled = true;
          break;
        }
      }
      if (cancelled)
        break;
    }
    if (cancelled) {
      // Folder first, then the frame: nothing is deleted, nothing updated.
      working.Restore();
      frame.Finish();
      summary.Show(0);
      return;
    }
  }
  working.Restore();
  ReportUnreached(count, reached, summary);
  if (move)
    DeleteCopiedFiles(session, panel, copied, summary);
  else
    UpdateAndRedraw(panel);
  summary.Show(0);
}

void DeleteAllFiles(PanelSession *session, HANDLE panel, bool silent) {
  if (!session)
    return;
  DeviceLink &device = Device();
  if (!device.CheckReady())
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
    frame.SaveScreen();
    frame.StartProgress();
    SetProgressTitle("Delete");
    frame.Begin(OM_DELETE, count.TotalSize);
    session->ItemNumber = 0;

    for (int memory : kMemories) {
      // Each file is tried once: one the library refuses to delete stays.
      for (const Victim &victim :
           CollectVictims(memory, count.PerMemory[memory])) {
        ++session->ItemNumber;
        SetProgressItem("Deleting(%i of %i): %.60s", session->ItemNumber,
                        session->ItemCount, victim.Name.c_str());
        if (device.DeleteDeviceFile(memory, victim.FileIndex, victim.Size) ==
            usbctrl::kDone)
          deleted.push_back({memory, victim.FileIndex, victim.Name});
        if (device.Cancelled()) {
          cancelled = true;
          break;
        }
      }
      if (cancelled)
        break;
    }
  }
  // Whatever was counted and is not deleted stayed: refused, or the player
  // stopped answering.
  if (!cancelled)
    ReportUnreached(count, deleted, summary);
  UpdateAndRedraw(panel);
  summary.Show(0);
}

void FormatSelectedMemory(PanelSession *session, HANDLE panel) {
  if (!session)
    return;
  DeviceLink &device = Device();
  if (!device.CheckReady())
    return;
  if (ShowMessageBox(
          farapi::FMSG_WARNING, "Formating",
          {MSG_WARNING_TITLE, MSG_FORMAT_MEMORY, MSG_BTN_FORMAT, MSG_CANCEL},
          2) != 0)
    return;

  bool internal = session->Memory == MEM_INTERNAL;
  {
    OperationFrame frame(*session);
    frame.SaveScreen();
    int sizes[4] = {0, 0, 0, 0};
    device.GetMemorySizes(&sizes[0], &sizes[1], &sizes[2], &sizes[3]);
    frame.StartProgress();
    SetProgressTitle("Format");
    SetProgressItem(internal ? "Formating Internal Memory"
                             : "Formating External Memory",
                    0, 0, "");
    uint32_t total = static_cast<uint32_t>(internal ? sizes[0] : sizes[2]);

    // OM_FORMAT stays set through the download of "Config.dat": the box
    // keeps its format form and Escape is not watched.
    frame.Begin(OM_FORMAT, total);
    device.FormatMemory(session->Memory);
    if (internal) {
      std::string folder = PluginFolder();
      if (folder.size() <= kFolderLimit) {
        std::string path = folder + kProtectedName;
        FileSearch search(path.c_str());
        if (search.Found() &&
            (search.Data().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
          device.DownloadFile(MEM_INTERNAL, path.c_str(),
                              search.Data().nFileSizeLow);
      }
    }
  }
  UpdateAndRedraw(panel);
}

void SwitchMemory(PanelSession *session, HANDLE panel) {
  if (!session)
    return;
  DeviceLink &device = Device();
  if (!device.CheckReady())
    return;
  if (session->Memory == MEM_EXTERNAL) {
    session->Memory = MEM_INTERNAL;
    UpdateAndRedraw(panel);
    return;
  }
  if (device.CheckCard() != 0)
    device.Connect();
  int sizes[4] = {0, 0, 0, 0};
  device.GetMemorySizes(&sizes[0], &sizes[1], &sizes[2], &sizes[3]);
  if (sizes[2] == 0)
    return;
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
