// Copying and moving files from the player into a PC folder.
#include "operations/copy_from_device.h"

#include "device/device_link.h"
#include "device/file_time.h"
#include "device/name_conversion.h"
#include "operations/delete_files.h"
#include "operations/operation_frame.h"
#include "operations/working_folder.h"
#include "plugin/messages.h"
#include "plugin/notices.h"
#include "progress/progress_display.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace davu {

namespace {

// Room for the longest file name a path may get appended to the
// destination within the 4096-byte path buffers.
constexpr size_t kDestinationPathLimit = 4096 - 1025;
constexpr size_t kRememberedFolderLimit = 1024;

bool IsFile(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// A file of the current folder moved aside under a unique temporary name,
// put back under its own name unless discarded.
class AsideFile {
public:
  AsideFile() = default;
  ~AsideFile() { Restore(); }
  AsideFile(const AsideFile &) = delete;
  AsideFile &operator=(const AsideFile &) = delete;

  // False when the file cannot be moved (another program holds it).
  bool MoveAside(const char *name) {
    for (unsigned n = 0; n < 1000; ++n) {
      char aside[48];
      snprintf(aside, sizeof aside, "~davu%lx-%u.tmp",
               static_cast<unsigned long>(GetCurrentProcessId()), n);
      if (MoveFileA(name, aside)) {
        name_ = name;
        aside_ = aside;
        held_ = true;
        return true;
      }
      DWORD error = GetLastError();
      if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
        return false;
    }
    return false;
  }
  void Restore() {
    if (!held_)
      return;
    held_ = false;
    MoveFileA(aside_.c_str(), name_.c_str());
  }
  // The replacement is complete: the old file goes.
  void Discard() {
    if (!held_)
      return;
    held_ = false;
    SetFileAttributesA(aside_.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    DeleteFileA(aside_.c_str());
  }

private:
  std::string name_, aside_;
  bool held_ = false;
};

} // namespace

bool IsSafePcName(const char *name) {
  if (!name || !*name)
    return false;
  if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0)
    return false;
  return strpbrk(name, "\\/:") == nullptr;
}

UploadOutcome UploadIntoFolder(int memory, uint32_t fileIndex, uint32_t size,
                               const char *pcName, const FILETIME &writeTime,
                               bool keepExisting, FailReason *reason) {
  *reason = FailReason::Unknown;
  // A name that would reach outside the current folder is never used, in
  // the PC's spelling or in the player's that the library writes.
  if (!IsSafePcName(pcName) || strlen(pcName) >= farapi::NM) {
    *reason = FailReason::NameNotAllowed;
    return UploadOutcome::Failed;
  }
  char deviceName[farapi::NM];
  ToDeviceName(pcName, deviceName);
  if (!IsSafePcName(deviceName)) {
    *reason = FailReason::NameNotAllowed;
    return UploadOutcome::Failed;
  }
  const bool sameSpelling = strcmp(deviceName, pcName) == 0;

  // Destroyed in reverse order: a file moved aside goes back under its name
  // on every path that does not complete the copy.
  AsideFile replaced, inTheWay;
  DWORD attributes = GetFileAttributesA(pcName);
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (keepExisting)
      return UploadOutcome::KeptExisting;
    // A folder of that name is not the file's to replace.
    if (!IsFile(attributes)) {
      *reason = FailReason::NameNotAllowed;
      return UploadOutcome::Failed;
    }
    if (!replaced.MoveAside(pcName)) {
      *reason = FailReason::InUse;
      return UploadOutcome::Failed;
    }
  }
  // Another PC file that bears the player's spelling is not the upload's to
  // overwrite.
  if (!sameSpelling &&
      GetFileAttributesA(deviceName) != INVALID_FILE_ATTRIBUTES &&
      !inTheWay.MoveAside(deviceName)) {
    *reason = FailReason::InUse;
    return UploadOutcome::Failed;
  }

  int result = Device().UploadFile(memory, fileIndex, size);
  bool arrived =
      result == usbctrl::kDone && IsFile(GetFileAttributesA(deviceName));
  if (arrived && !sameSpelling)
    arrived = MoveFileA(deviceName, pcName) != 0;
  if (!arrived) {
    // A failed or cancelled upload leaves at most a part of the file; under
    // the PC name and the player's time it would pass for a good copy.
    SetFileAttributesA(deviceName, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(deviceName);
    if (Device().Cancelled())
      return UploadOutcome::Cancelled;
    *reason = FailReason::NoAnswer;
    return UploadOutcome::Failed;
  }
  SetLastWriteTime(pcName, writeTime);
  replaced.Discard();
  return UploadOutcome::Copied;
}

int GetFilesImpl(PanelSession *session, farapi::PluginPanelItem *items,
                 int count, int move, const char *destPath, int opMode) {
  if (!session || !Device().CheckReady())
    return -1;
  if (!destPath || strlen(destPath) > kDestinationPathLimit)
    return -1;
  if (!items || count < 0)
    count = 0;

  session->Options = 0;
  if (!(opMode & farapi::OPM_SILENT)) {
    int answer = ShowMessageBox(
        move ? DWORD{farapi::FMSG_WARNING} : DWORD{0}, "Uploading",
        {MSG_WARNING_TITLE, move ? MSG_MOVE_FROM_PLAYER : MSG_COPY_FROM_PLAYER,
         move ? MSG_BTN_MOVE : MSG_BTN_COPY,
         move ? MSG_BTN_MOVE_KEEP : MSG_BTN_COPY_KEEP, MSG_CANCEL},
        3);
    if (answer == 1)
      session->Options |= PSO_KEEPEXISTING;
    else if (answer != 0)
      return -1;
  }

  const bool findCopy = (opMode & farapi::OPM_FIND) != 0;
  if (session->FindCancelled && findCopy)
    return -1;
  session->FindCancelled = 0;

  const bool keepExisting = (session->Options & PSO_KEEPEXISTING) != 0;
  const int memory = session->Memory;
  FailureSummary summary;
  // Per item: it went (copied, or kept by keep-existing; for a move, also
  // gone from the player).
  std::vector<char> went(count, 0);
  // Only the files that reached the PC are deleted by a move.
  std::vector<farapi::PluginPanelItem> copied;
  std::vector<int> copiedAt;
  bool cancelled = false;
  {
    WorkingFolderGuard workingFolder(kRememberedFolderLimit);
    OperationFrame frame(*session);
    frame.SaveScreen();

    uint32_t total = 0;
    for (int i = 0; i < count; ++i)
      total += items[i].FindData.nFileSizeLow;
    frame.Begin(findCopy ? OM_UPLOAD | OM_QUIET : OM_UPLOAD, total);
    frame.StartProgress();

    for (int i = 0; i < count; ++i) {
      const farapi::PluginPanelItem &item = items[i];
      // The host's field need not end inside itself.
      char name[farapi::NM + 1] = {};
      memcpy(name, item.FindData.cFileName, farapi::NM);
      SetProgressTitle("Upload");
      SetProgressItem("Uploading(%i of %i): %.62s", i + 1, count, name);
      summary.Handled();
      FailReason reason = FailReason::Unknown;
      // Without the destination current the library would write elsewhere.
      UploadOutcome outcome =
          SetCurrentDirectoryA(destPath)
              ? UploadIntoFolder(
                    memory, item.UserData, item.FindData.nFileSizeLow, name,
                    item.FindData.ftLastWriteTime, keepExisting, &reason)
              : UploadOutcome::Failed;
      if (outcome == UploadOutcome::Copied) {
        copied.push_back(item);
        copiedAt.push_back(i);
        went[i] = move ? 0 : 1;
      } else if (outcome == UploadOutcome::KeptExisting) {
        went[i] = 1;
      } else if (outcome == UploadOutcome::Failed) {
        summary.Failed(name, reason);
      }
      if (Device().Cancelled()) {
        cancelled = true;
        break;
      }
    }
    frame.Finish();
    workingFolder.Restore();
  }

  if (cancelled) {
    if (findCopy)
      session->FindCancelled = 1;
  } else if (move) {
    std::vector<char> deleted;
    if (DeleteMovedItems(session, copied.data(),
                         static_cast<int>(copied.size()), summary,
                         &deleted) < 0)
      cancelled = true;
    for (size_t j = 0; j < copiedAt.size() && j < deleted.size(); ++j)
      went[copiedAt[j]] = deleted[j];
  }
  DeselectItemsThatWent(items, count, went);
  summary.Show(opMode);
  if (cancelled)
    return -1;
  return summary.FailedCount() ? 0 : 1;
}

} // namespace davu
