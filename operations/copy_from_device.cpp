// Copying and moving files from the player into a PC folder.
#include "operations/copy_from_device.h"

#include "device/device_link.h"
#include "device/file_time.h"
#include "device/name_conversion.h"
#include "operations/delete_files.h"
#include "operations/operation_frame.h"
#include "operations/player_ready.h"
#include "operations/working_folder.h"
#include "progress/progress_display.h"
#include "services/messages.h"
#include "services/notices.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace davu {

namespace {

// Room for the longest file name a path may get appended to the
// destination within the 4096-byte path buffers.
constexpr size_t kDestinationPathLimit = kFolderLimit;
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
  for (const char *p = name; *p; ++p)
    if (static_cast<unsigned char>(*p) < 0x20)
      return false;
  return strpbrk(name, "\\/:*?\"<>|") == nullptr;
}

namespace {

// The player's spelling of a PC name into `deviceName`; false when either
// spelling would reach outside the current folder.
bool UsableNames(const char *pcName, char (&deviceName)[farapi::NM]) {
  if (!IsSafePcName(pcName) || strlen(pcName) >= farapi::NM)
    return false;
  ToDeviceName(pcName, deviceName);
  return IsSafePcName(deviceName);
}

enum class Way { Clear, KeepExisting, Blocked };

// Moves aside what the upload could overwrite: the PC file it replaces, and
// another PC file that bears the player's spelling, which is not the
// upload's to overwrite.
Way ClearTheWay(const char *pcName, const char *deviceName, bool keepExisting,
                AsideFile &replaced, AsideFile &inTheWay, FailReason *reason) {
  DWORD attributes = GetFileAttributesA(pcName);
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (keepExisting)
      return Way::KeepExisting;
    // A folder of that name is not the file's to replace.
    if (!IsFile(attributes)) {
      *reason = FailReason::NameNotAllowed;
      return Way::Blocked;
    }
    if (!replaced.MoveAside(pcName)) {
      *reason = FailReason::InUse;
      return Way::Blocked;
    }
  }
  if (strcmp(deviceName, pcName) != 0 &&
      GetFileAttributesA(deviceName) != INVALID_FILE_ATTRIBUTES &&
      !inTheWay.MoveAside(deviceName)) {
    *reason = FailReason::InUse;
    return Way::Blocked;
  }
  return Way::Clear;
}

} // namespace

UploadOutcome UploadIntoFolder(int memory, uint32_t fileIndex, uint32_t size,
                               const char *pcName, const FILETIME &writeTime,
                               bool keepExisting, FailReason *reason) {
  *reason = FailReason::Unknown;
  // A name that would reach outside the current folder is never used, in
  // the PC's spelling or in the player's that the library writes.
  char deviceName[farapi::NM];
  if (!UsableNames(pcName, deviceName)) {
    *reason = FailReason::NameNotAllowed;
    return UploadOutcome::Failed;
  }
  // Destroyed in reverse order: a file moved aside goes back under its name
  // on every path that does not complete the copy.
  AsideFile replaced, inTheWay;
  switch (ClearTheWay(pcName, deviceName, keepExisting, replaced, inTheWay,
                      reason)) {
  case Way::KeepExisting:
    return UploadOutcome::KeptExisting;
  case Way::Blocked:
    return UploadOutcome::Failed;
  case Way::Clear:
    break;
  }

  int result = Device().UploadFile(memory, fileIndex, size);
  bool arrived =
      result == usbctrl::kDone && IsFile(GetFileAttributesA(deviceName));
  if (arrived && strcmp(deviceName, pcName) != 0)
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

namespace {

// The copy or move confirmation; false when the user declined.
bool ConfirmGetFiles(PanelSession *session, bool move, int opMode) {
  session->Options = 0;
  if (opMode & farapi::OPM_SILENT)
    return true;
  int answer = ShowMessageBox(
      move ? DWORD{farapi::FMSG_WARNING} : DWORD{0}, "Uploading",
      {MSG_WARNING_TITLE, move ? MSG_MOVE_FROM_PLAYER : MSG_COPY_FROM_PLAYER,
       move ? MSG_BTN_MOVE : MSG_BTN_COPY,
       move ? MSG_BTN_MOVE_KEEP : MSG_BTN_COPY_KEEP, MSG_CANCEL},
      3);
  if (answer == 1)
    session->Options |= PSO_KEEPEXISTING;
  return answer == 0 || answer == 1;
}

struct GetFilesPass {
  farapi::PluginPanelItem *Items;
  int Count;
  bool Move;
  const char *DestPath;
  FailureSummary Summary;
  // Per item: it went (copied, or kept by keep-existing; for a move, also
  // gone from the player).
  std::vector<char> Went;
  // Only the files that reached the PC are deleted by a move.
  std::vector<farapi::PluginPanelItem> Copied;
  std::vector<int> CopiedAt;
};

// One item into the destination folder.
void UploadItem(GetFilesPass &pass, int i, int memory, bool keepExisting) {
  const farapi::PluginPanelItem &item = pass.Items[i];
  // The host's field need not end inside itself.
  char name[farapi::NM + 1] = {};
  memcpy(name, item.FindData.cFileName, farapi::NM);
  SetProgressTitle(kProgressTitleUpload);
  SetProgressItem(kProgressItemUpload, i + 1, pass.Count, name, 62);
  pass.Summary.Handled();
  FailReason reason = FailReason::Unknown;
  // Without the destination current the library would write elsewhere.
  UploadOutcome outcome =
      SetCurrentDirectoryA(pass.DestPath)
          ? UploadIntoFolder(memory, item.UserData, item.FindData.nFileSizeLow,
                             name, item.FindData.ftLastWriteTime, keepExisting,
                             &reason)
          : UploadOutcome::Failed;
  if (outcome == UploadOutcome::Copied) {
    pass.Copied.push_back(item);
    pass.CopiedAt.push_back(i);
    pass.Went[i] = pass.Move ? 0 : 1;
  } else if (outcome == UploadOutcome::KeptExisting) {
    pass.Went[i] = 1;
  } else if (outcome == UploadOutcome::Failed) {
    pass.Summary.Failed(name, reason);
  }
}

// Every item in its progress frame; false when the user cancelled. An
// unseen copy (the host's search or quick view) leaves the screen and the
// keyboard to the host.
bool UploadItems(PanelSession &session, GetFilesPass &pass, bool findCopy,
                 bool unseen) {
  const bool keepExisting = (session.Options & PSO_KEEPEXISTING) != 0;
  WorkingFolderGuard workingFolder(kRememberedFolderLimit);
  OperationFrame frame(session);
  if (!unseen)
    frame.SaveScreen();
  uint32_t total = 0;
  for (int i = 0; i < pass.Count; ++i)
    total += pass.Items[i].FindData.nFileSizeLow;
  uint16_t mode = OM_UPLOAD;
  if (unseen)
    mode |= OM_UNSEEN;
  else if (findCopy)
    mode |= OM_QUIET;
  frame.Begin(mode, total);
  frame.StartProgress();
  bool cancelled = false;
  for (int i = 0; i < pass.Count && !cancelled; ++i) {
    UploadItem(pass, i, session.Memory, keepExisting);
    cancelled = Device().Cancelled();
  }
  frame.Finish();
  workingFolder.Restore();
  return !cancelled;
}

// The second half of a move: the player's copies of what arrived; false
// when the user cancelled.
bool DeleteUploaded(PanelSession *session, GetFilesPass &pass) {
  std::vector<char> deleted;
  int result = DeleteMovedItems(session, pass.Copied.data(),
                                static_cast<int>(pass.Copied.size()),
                                pass.Summary, &deleted);
  for (size_t j = 0; j < pass.CopiedAt.size() && j < deleted.size(); ++j)
    pass.Went[pass.CopiedAt[j]] = deleted[j];
  return result >= 0;
}

} // namespace

int GetFilesImpl(PanelSession *session, farapi::PluginPanelItem *items,
                 int count, int move, const char *destPath, int opMode) {
  if (!session || !PlayerReady(Device()))
    return -1;
  if (!destPath || strlen(destPath) > kDestinationPathLimit)
    return -1;
  if (!items || count < 0)
    count = 0;
  if (!ConfirmGetFiles(session, move != 0, opMode))
    return -1;

  const bool findCopy = (opMode & farapi::OPM_FIND) != 0;
  if (session->FindCancelled && findCopy)
    return -1;
  session->FindCancelled = 0;

  GetFilesPass pass{items, count, move != 0, destPath, {}, {}, {}, {}};
  pass.Went.assign(count, 0);
  const bool unseen = (opMode & farapi::OPM_SILENT) &&
                      (opMode & (farapi::OPM_FIND | farapi::OPM_QUICKVIEW));
  bool cancelled = !UploadItems(*session, pass, findCopy, unseen);
  if (cancelled) {
    if (findCopy)
      session->FindCancelled = 1;
  } else if (move) {
    cancelled = !DeleteUploaded(session, pass);
  }
  DeselectItemsThatWent(items, count, pass.Went);
  pass.Summary.Show(opMode);
  if (cancelled)
    return -1;
  return pass.Summary.FailedCount() ? 0 : 1;
}

} // namespace davu
