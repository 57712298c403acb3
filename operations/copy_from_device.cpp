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

#include <cstring>
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
                               bool keepExisting) {
  // A name that would reach outside the current folder is never used, in
  // the PC's spelling or in the player's that the library writes.
  if (!IsSafePcName(pcName) || strlen(pcName) >= farapi::NM)
    return UploadOutcome::Failed;
  char deviceName[farapi::NM];
  ToDeviceName(pcName, deviceName);
  if (!IsSafePcName(deviceName))
    return UploadOutcome::Failed;

  DWORD attributes = GetFileAttributesA(pcName);
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (keepExisting)
      return UploadOutcome::KeptExisting;
    // A folder of that name is not the file's to replace.
    if (!IsFile(attributes))
      return UploadOutcome::Failed;
    SetFileAttributesA(pcName, FILE_ATTRIBUTE_ARCHIVE);
    DeleteFileA(pcName);
  }

  const bool deviceFileBefore =
      GetFileAttributesA(deviceName) != INVALID_FILE_ATTRIBUTES;

  if (Device().UploadFile(memory, fileIndex, size) != 0) {
    // A failed or cancelled upload leaves at most a part of the file; under
    // the PC name and the player's time it would pass for a good copy. A
    // file that was there before the call is not the upload's to remove.
    if (!deviceFileBefore)
      DeleteFileA(deviceName);
    return UploadOutcome::Failed;
  }
  if (strcmp(deviceName, pcName) != 0)
    MoveFileA(deviceName, pcName);
  SetLastWriteTime(pcName, writeTime);
  return IsFile(GetFileAttributesA(pcName)) ? UploadOutcome::Copied
                                            : UploadOutcome::Failed;
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
  // Only the files that reached the PC are deleted by a move.
  std::vector<farapi::PluginPanelItem> copied;
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
      // Without the destination current the library would write elsewhere.
      if (SetCurrentDirectoryA(destPath) &&
          UploadIntoFolder(memory, item.UserData, item.FindData.nFileSizeLow,
                           name, item.FindData.ftLastWriteTime,
                           keepExisting) == UploadOutcome::Copied)
        copied.push_back(item);
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
    return -1;
  }
  if (!move)
    return 1;
  return DeleteFilesImpl(session, copied.data(),
                         static_cast<int>(copied.size()), farapi::OPM_SILENT);
}

} // namespace davu
