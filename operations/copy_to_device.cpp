// Copying and moving PC files, whole folders and the entries of playlists
// onto the player, with the free-space warning, the replacement of files of
// the same name and the one switch to the other memory when the first runs
// full.
#include "operations/copy_to_device.h"

#include "device/device_link.h"
#include "device/usbctrl_contract.h"
#include "operations/delete_files.h"
#include "operations/device_name_index.h"
#include "operations/failure_summary.h"
#include "operations/operation_frame.h"
#include "operations/pc_source_walk.h"
#include "operations/player_ready.h"
#include "operations/put_steps.h"
#include "progress/progress_display.h"
#include "services/messages.h"
#include "services/notices.h"
#include "services/plugin_state.h"
#include "services/settings.h"

#include <windows.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace davu {

namespace {

constexpr const char *kHelpTopic = "Downloading";

int OtherMemory(int memory) {
  return memory == MEM_INTERNAL ? MEM_EXTERNAL : MEM_INTERNAL;
}

// One PutFiles call. A move deletes on the PC only what reached the player,
// so the sending pass remembers the files that arrived, and forgets one
// again when a later file of the same name replaced it on the player.
struct PutTransfer {
  PanelSession &Session;
  DeviceLink &Link;
  std::set<std::string> Arrived; // upper-cased full paths
  std::map<std::pair<int, std::string>, std::string> ArrivedByDeviceName;
  DeviceNameIndex Names; // the player's names, read once per memory
  FailureSummary Summary;
};

std::string LeafName(const std::string &path) {
  size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DeviceNameKey(const std::string &path) {
  size_t slash = path.find_last_of('\\');
  return UpperAsciiLetters(slash == std::string::npos ? path
                                                      : path.substr(slash + 1));
}

void RecordArrival(PutTransfer &transfer, const std::string &path) {
  std::string key = UpperAsciiLetters(path);
  transfer.Arrived.insert(key);
  transfer.ArrivedByDeviceName[{transfer.Session.Memory, DeviceNameKey(path)}] =
      key;
}

// A file this call sent earlier has just been deleted on the player.
void ForgetReplaced(PutTransfer &transfer, int memory,
                    const std::string &name) {
  auto found = transfer.ArrivedByDeviceName.find({memory, name});
  if (found == transfer.ArrivedByDeviceName.end())
    return;
  transfer.Arrived.erase(found->second);
  transfer.ArrivedByDeviceName.erase(found);
}

// True when the file is to be sent: every entry of the same name on the
// selected memory has been deleted, or there was none. False when one
// exists and existing files are kept, or when the user cancelled meanwhile.
// *removed: a file of that name was deleted.
bool ClearSameNameOnDevice(PutTransfer &transfer, const std::string &path,
                           bool *removed) {
  struct Replaced {
    PutTransfer *Transfer;
    int Memory;
    std::string Name;
  } replaced{&transfer, transfer.Session.Memory, DeviceNameKey(path)};
  auto forget = [](void *context) {
    Replaced &r = *static_cast<Replaced *>(context);
    ForgetReplaced(*r.Transfer, r.Memory, r.Name);
  };
  return ClearSameName(transfer.Names, transfer.Link, replaced.Memory,
                       replaced.Name,
                       (transfer.Session.Options & PSO_KEEPEXISTING) != 0,
                       forget, &replaced, removed) == SameNameOutcome::Send;
}

// Why a PC file could not be read: a name the host gave with its '?' for a
// character of its code page names no file; otherwise another program
// holds it.
FailReason UnreadableReason(const std::string &path) {
  return LeafName(path).find_first_of("?*") != std::string::npos
             ? FailReason::NotInCodePage
             : FailReason::InUse;
}

// Sends one file; true when it arrived on the player.
bool SendOneFile(PutTransfer &transfer, const std::string &path, uint32_t size,
                 const char *displayName) {
  PanelSession &session = transfer.Session;
  DeviceLink &link = transfer.Link;
  ++session.ItemNumber;
  SetProgressItem(kProgressItemDownload, session.ItemNumber, session.ItemCount,
                  displayName, 60);
  // The player's file of the same name goes only once the send can go
  // ahead: the source is readable, or its copy for the library exists.
  SendSource source;
  if (!source.Prepare(path.c_str())) {
    transfer.Summary.Failed(LeafName(path), UnreadableReason(path));
    return false;
  }
  bool oldRemoved = false;
  if (!ClearSameNameOnDevice(transfer, path, &oldRemoved))
    return false;
  int result = link.DownloadPrepared(session.Memory, source, size);
  if (result == usbctrl::kMemoryFull &&
      (session.Options & PSO_SWITCHWHENFULL)) {
    session.Memory = OtherMemory(session.Memory);
    session.Options &= ~static_cast<uint32_t>(PSO_SWITCHWHENFULL);
    bool removedThere = false;
    if (!ClearSameNameOnDevice(transfer, path, &removedThere))
      return false;
    oldRemoved |= removedThere;
    result = link.DownloadPrepared(session.Memory, source, size);
  }
  if (result != usbctrl::kDone) {
    if (!link.Cancelled())
      transfer.Summary.Failed(LeafName(path),
                              result == usbctrl::kMemoryFull
                                  ? FailReason::MemoryFull
                                  : FailReason::NoAnswer,
                              oldRemoved);
    return false;
  }
  RecordArrival(transfer, path);
  return true;
}

bool CountFile(PutTransfer &transfer) {
  ++transfer.Session.ItemCount;
  transfer.Summary.Handled();
  return true;
}

bool DeleteArrivedSource(PutTransfer &transfer, const std::string &path) {
  if (!transfer.Arrived.count(UpperAsciiLetters(path)))
    return false;
  if (DeleteSourceFile(path, transfer.Session.Options))
    return true;
  DWORD attributes = GetFileAttributesA(path.c_str());
  // Named twice (in two playlists, say) and deleted the first time.
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return true;
  // A read-only source stays when existing files are kept: that is the
  // choice the user made, not a failure.
  if (!((attributes & FILE_ATTRIBUTE_READONLY) &&
        (transfer.Session.Options & PSO_KEEPEXISTING)))
    transfer.Summary.Failed(LeafName(path), FailReason::InUse);
  return false;
}

struct PassContext {
  PutTransfer *Transfer;
  WalkMode Mode;
};

bool OnSourceFile(void *context, const std::string &path, uint32_t size,
                  const char *displayName) {
  PassContext &pass = *static_cast<PassContext *>(context);
  switch (pass.Mode) {
  case WALK_COUNT:
    return CountFile(*pass.Transfer);
  case WALK_SEND:
    return SendOneFile(*pass.Transfer, path, size, displayName);
  case WALK_DELETE_SOURCE:
    return DeleteArrivedSource(*pass.Transfer, path);
  }
  return false;
}

bool OperationCancelled(void *context) {
  return static_cast<PassContext *>(context)->Transfer->Link.Cancelled();
}

// Counted as a file of the transfer, and reported when sending.
void OnSourceFailed(void *context, const std::string &name, FailReason reason) {
  PassContext &pass = *static_cast<PassContext *>(context);
  if (pass.Mode == WALK_COUNT)
    pass.Transfer->Summary.Handled();
  else if (pass.Mode == WALK_SEND)
    pass.Transfer->Summary.Failed(name, reason);
}

std::string ItemName(const farapi::PluginPanelItem &item) {
  const char *name = item.FindData.cFileName;
  return std::string(name, strnlen(name, sizeof item.FindData.cFileName));
}

// One pass over the selected items; the sum of the sizes that qualified.
// Items during which something failed are marked in *failed (may be null);
// the pass stops after the item during which the user cancelled.
uint64_t RunPass(PutTransfer &transfer, WalkMode mode,
                 const std::string &sourceFolder,
                 const farapi::PluginPanelItem *items, int count,
                 std::vector<char> *failed = nullptr, int *reached = nullptr) {
  PassContext pass{&transfer, mode};
  SourceWalk walk;
  walk.Mode = mode;
  walk.Options = transfer.Session.Options;
  walk.SubDirExt = Plugin().Settings.SubDirExt;
  walk.NameFrom = sourceFolder.size();
  walk.Context = &pass;
  walk.OnFile = OnSourceFile;
  walk.Cancelled = OperationCancelled;
  walk.OnFailed = OnSourceFailed;

  uint64_t total = 0;
  for (int i = 0; i < count; ++i) {
    const size_t failedBefore = transfer.Summary.FailedCount();
    if (reached)
      *reached = i + 1;
    const farapi::PluginPanelItem &item = items[i];
    const std::string name = ItemName(item);
    const std::string path = sourceFolder + name;
    if (name.empty() || name == "." || name == "..") {
      // Such an item would stand for the source folder or its parent.
    } else if (item.FindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      total += WalkFolder(walk, path);
      if (mode == WALK_DELETE_SOURCE)
        RemoveDirectoryA(path.c_str()); // stays unless it is empty now
    } else if (transfer.Session.Options & PSO_PLAYLISTS) {
      if (IsPlaylistFile(path.c_str()))
        total += WalkPlaylist(walk, path);
    } else if (ExtensionPasses(Plugin().Settings.CurDirExt, path.c_str())) {
      uint32_t size = static_cast<uint32_t>(item.FindData.nFileSizeLow);
      total += size;
      OnSourceFile(&pass, path, size, name.c_str());
    }
    if (transfer.Link.Cancelled())
      break;
    if (failed && transfer.Summary.FailedCount() != failedBefore)
      (*failed)[i] = 1;
  }
  return total;
}

// The sending pass in its progress frame, for a move the deleting pass,
// then the deselection of what went and the summary; false when the user
// cancelled.
bool SendItems(PutTransfer &transfer, const std::string &sourceFolder,
               farapi::PluginPanelItem *items, int count, bool move, int opMode,
               uint64_t total) {
  PanelSession *session = &transfer.Session;
  std::vector<char> failed(count, 0);
  int reached = 0;
  OperationFrame frame(*session);
  frame.SaveScreen();
  frame.Begin(OM_DOWNLOAD,
              total > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(total));
  frame.StartProgress();
  if (session->Options & PSO_SWITCHWHENFULL)
    session->Memory = MEM_INTERNAL;
  SetProgressTitle(kProgressTitleDownload);

  RunPass(transfer, WALK_SEND, sourceFolder, items, count, &failed, &reached);
  const bool cancelled = transfer.Link.Cancelled();
  // What replaced a file of its name takes that file's place in the order,
  // also after a cancel: the user's order stays for what went.
  RestorePlayPositions(transfer.Names, transfer.Link);
  frame.StopProgress();
  frame.EndOperation();
  if (!cancelled && move)
    RunPass(transfer, WALK_DELETE_SOURCE, sourceFolder, items, count, &failed);
  frame.RestoreScreen();
  DeselectItemsThatWent(items, count,
                        ItemsThatWent(failed, reached, cancelled, move));
  transfer.Summary.Show(opMode);
  return !cancelled;
}

} // namespace

int PutFilesImpl(PanelSession *session, farapi::PluginPanelItem *items,
                 int count, int move, int opMode) {
  if (!session)
    return -1;
  DeviceLink &link = Device();
  if (!PlayerReady(link))
    return -1;
  session->Options = 0;
  session->ItemNumber = 0;
  session->ItemCount = 0;
  if (!items || count < 0)
    count = 0;

  const std::string sourceFolder = SourceFolder();
  if (sourceFolder.empty())
    return -1;
  // FAR's editor saving a file of the panel (F4) asks no question: the
  // edited file replaces the player's.
  if (!(opMode & (farapi::OPM_SILENT | farapi::OPM_EDIT)) &&
      !ConfirmPut(*session, move != 0))
    return -1;

  PutTransfer transfer{*session, link, {}, {}, {}, {}};
  uint64_t total = RunPass(transfer, WALK_COUNT, sourceFolder, items, count);
  // Nothing qualified (an empty folder, extension lists that keep nothing):
  // said, rather than a copy that ends without a word.
  if (transfer.Summary.HandledCount() == 0) {
    if (!(opMode & farapi::OPM_SILENT))
      ShowMessageBox(farapi::FMSG_WARNING, kHelpTopic,
                     {MSG_WARNING_TITLE, MSG_NOTHING_TO_SEND, MSG_OK}, 1);
    return -1;
  }
  if (!CheckFreeSpace(*session, link, total))
    return -1;

  if (!SendItems(transfer, sourceFolder, items, count, move != 0, opMode,
                 total))
    return -1;
  return transfer.Summary.FailedCount() ? 0 : 1;
}

} // namespace davu
