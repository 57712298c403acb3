#include "sim/usbctrl/store_backend.h"

#include "sim/usbctrl/fault_rules.h"
#include "sim/usbctrl/library_answers.h"
#include "sim/usbctrl/library_call.h"
#include "sim/usbctrl/store_transfers.h"

#include <cstdio>
#include <vector>

namespace simstore {

namespace {

using simplayer::PlayerStore;
using simplayer::StoredFile;

// An enumeration remembers which files it has still to return, by index, so
// that a Delete between FindNext calls neither skips nor repeats a file.
struct Enumeration {
  std::vector<uint16_t> pending;
  size_t next = 0;
};
Enumeration enumerations[simplayer::kMemoryCount];

// Method names by memory, as the call log and the fail rules know them.
const char *const kFindFirstNames[] = {"FindFirstInternal",
                                       "FindFirstExternal"};
const char *const kFindNextNames[] = {"FindNextInternal", "FindNextExternal"};
const char *const kFormatNames[] = {"FormatInternal", "FormatExternal"};

// Runs a call's body; nothing may escape into the caller's frame.
template <typename Body> int Guarded(int fallback, Body body) {
  try {
    return body();
  } catch (...) {
    return fallback;
  }
}

// Reads the store for a find call; false with the call's answer when there
// is nothing to list.
bool OpenListing(const Call &call, int memory,
                 const usbctrl::tagFILE_ENTRY *record, PlayerStore *store,
                 int *answer) {
  *answer = usbctrl::kNoMoreFiles;
  if (!record || !Admit(call, -1, usbctrl::kNoMoreFiles, store, answer))
    return false;
  if (simplayer::MemoryPresent(*store, memory))
    return true;
  *answer = usbctrl::kNoMoreFiles;
  return false;
}

int FindNextIn(int memory, usbctrl::tagFILE_ENTRY *record,
               const PlayerStore &store) {
  Enumeration &e = enumerations[memory];
  while (e.next < e.pending.size()) {
    const StoredFile *file =
        simplayer::FindFile(store, memory, e.pending[e.next++]);
    if (file) {
      simlibrary::FillRecord(*file, store.config.indexHighBits,
                             store.config.unterminatedNames, record);
      return usbctrl::kDone;
    }
  }
  return usbctrl::kNoMoreFiles;
}

simlibrary::MemorySizes SizesOf(const PlayerStore &store) {
  simlibrary::MemorySizes sizes;
  sizes.values[0] = store.memories[simplayer::kInternal].capacity;
  sizes.values[1] = simplayer::FreeSpace(store, simplayer::kInternal);
  if (simplayer::MemoryPresent(store, simplayer::kExternal)) {
    sizes.values[2] = store.memories[simplayer::kExternal].capacity;
    sizes.values[3] = simplayer::FreeSpace(store, simplayer::kExternal);
  }
  return sizes;
}

void Construct(void *self) {
  try {
    Call call("CUSBCTRL", {Pointer(self)});
    SetCancelRequested(false);
    for (Enumeration &e : enumerations)
      e = Enumeration();
    call.Finish(0);
  } catch (...) {
  }
}

int SetProgressWindow(HWND window) {
  SetProgressWindowHandle(window);
  return Guarded(0, [&] {
    return Call("SetProgressWindow", {Pointer(window)}).Finish(0);
  });
}

int DumpUsbConfig() {
  return Guarded(simplayer::kResultFailed, [] {
    Call call("dumpUsbConfig", {});
    PlayerStore store;
    int answer;
    if (!Admit(call, -1, simplayer::kResultFailed, &store, &answer))
      return call.Finish(answer);
    return call.Finish(store.config.notReady ? store.config.notReadyResult
                                             : usbctrl::kDone);
  });
}

int CheckSMCCard() {
  return Guarded(0, [] {
    Call call("CheckSMCCard", {});
    PlayerStore store;
    int answer;
    if (!Admit(call, -1, 0, &store, &answer))
      return call.Finish(answer);
    return call.Finish(store.config.checkCardResult);
  });
}

int GetVersionInfo(unsigned char *text64) {
  return Guarded(simplayer::kResultFailed, [&] {
    Call call("GetVersionInfo", {Pointer(text64)});
    if (!text64)
      return call.Finish(simplayer::kResultFailed);
    text64[0] = 0;
    PlayerStore store;
    int answer;
    if (!Admit(call, -1, simplayer::kResultFailed, &store, &answer))
      return call.Finish(answer);
    snprintf(reinterpret_cast<char *>(text64), 64, "%s",
             store.config.versionText.c_str());
    return call.Finish(store.config.connectResult);
  });
}

int GetAvailMemory(int *internalTotal, int *internalFree, int *externalTotal,
                   int *externalFree) {
  return Guarded(simplayer::kResultFailed, [&] {
    Call call("GetAvailMemory",
              {Pointer(internalTotal), Pointer(internalFree),
               Pointer(externalTotal), Pointer(externalFree)});
    simlibrary::MemorySizes sizes;
    PlayerStore store;
    int result;
    if (Admit(call, -1, simplayer::kResultFailed, &store, &result)) {
      sizes = SizesOf(store);
      result = usbctrl::kDone;
    }
    simlibrary::WriteMemorySizes(sizes, internalTotal, internalFree,
                                 externalTotal, externalFree);
    return call.Finish(result);
  });
}

int Format(int memory) {
  return Guarded(simplayer::kResultFailed, [&] {
    Call call(kFormatNames[memory], {});
    PlayerStore store;
    int answer;
    if (!Admit(call, -1, simplayer::kResultFailed, &store, &answer))
      return call.Finish(answer);
    if (!simplayer::MemoryPresent(store, memory))
      return call.Finish(simplayer::kResultNoCard);
    return call.Finish(FormatMemory(&store, memory));
  });
}

int FindFirst(int memory, usbctrl::tagFILE_ENTRY *record) {
  return Guarded(usbctrl::kNoMoreFiles, [&] {
    Call call(kFindFirstNames[memory], {Pointer(record)});
    Enumeration &e = enumerations[memory];
    e = Enumeration();
    PlayerStore store;
    int answer;
    if (!OpenListing(call, memory, record, &store, &answer))
      return call.Finish(answer);
    for (const StoredFile &f : store.memories[memory].files)
      e.pending.push_back(f.index);
    return call.Finish(FindNextIn(memory, record, store));
  });
}

int FindNext(int memory, usbctrl::tagFILE_ENTRY *record) {
  return Guarded(usbctrl::kNoMoreFiles, [&] {
    Call call(kFindNextNames[memory], {Pointer(record)});
    PlayerStore store;
    int answer;
    if (!OpenListing(call, memory, record, &store, &answer))
      return call.Finish(answer);
    return call.Finish(FindNextIn(memory, record, store));
  });
}

int Download(int memory, const char *path) {
  SetCancelRequested(false);
  return Guarded(simplayer::kResultFailed, [&] {
    Call call("Download", {Number(memory), path ? path : "(null)"});
    PlayerStore store;
    int answer;
    if (!path)
      return call.Finish(simplayer::kResultFailed);
    if (!Admit(call, -1, simplayer::kResultFailed, &store, &answer))
      return call.Finish(answer);
    return call.Finish(DownloadInto(&store, memory, path));
  });
}

int Delete(int memory, int fileIndex) {
  SetCancelRequested(false);
  return Guarded(simplayer::kResultFailed, [&] {
    Call call("Delete", {Number(memory), Number(fileIndex)});
    PlayerStore store;
    int answer;
    if (!Admit(call, fileIndex, simplayer::kResultFailed, &store, &answer))
      return call.Finish(answer);
    return call.Finish(DeleteFrom(&store, memory, fileIndex));
  });
}

int Upload(int memory, int fileIndex, const char *text) {
  SetCancelRequested(false);
  return Guarded(simplayer::kResultFailed, [&] {
    Call call("Upload",
              {Number(memory), Number(fileIndex), text ? text : "(null)"});
    PlayerStore store;
    int failure;
    if (!simplayer::LoadStore(call.folder, &store, nullptr))
      return call.Finish(simplayer::kResultFailed);
    const bool answering = !store.config.unplugged;
    if (FailRuleHits(&store, call.method, fileIndex, &failure)) {
      // The transfer breaks off half-way: part of the file is already on
      // the PC, as it would be with a real player.
      if (answering)
        UploadHalf(store, memory, fileIndex);
      return call.Finish(failure);
    }
    return call.Finish(UploadFrom(store, memory, fileIndex));
  });
}

int ChangeOrder(int memory, int fileIndex, int position) {
  return Guarded(simplayer::kResultFailed, [&] {
    Call call("ChangeOrder",
              {Number(memory), Number(fileIndex), Number(position)});
    PlayerStore store;
    int answer;
    if (!simplayer::ValidMemory(memory))
      return call.Finish(simplayer::kResultFailed);
    if (!Admit(call, fileIndex, simplayer::kResultFailed, &store, &answer))
      return call.Finish(answer);
    uint16_t key = static_cast<uint16_t>(fileIndex);
    if (fileIndex < 0 || fileIndex > 0xffff ||
        !simplayer::FindFile(store, memory, key))
      return call.Finish(simplayer::kResultUnknownIndex);
    return call.Finish(
        simplayer::MoveInOrder(&store, memory, key, position, nullptr)
            ? usbctrl::kDone
            : simplayer::kResultIoError);
  });
}

void SetCancelFlag() {
  SetCancelRequested(true);
  try {
    Call("SetCancelFlag", {}).Finish(0);
  } catch (...) {
  }
}

} // namespace

const simlibrary::PlayerCalls kStorePlayer = {
    Construct,      SetProgressWindow, DumpUsbConfig, CheckSMCCard,
    GetVersionInfo, GetAvailMemory,    Format,        FindFirst,
    FindNext,       Download,          Delete,        Upload,
    ChangeOrder,    SetCancelFlag};

} // namespace simstore
