// A stand-in for the player maker's USBCTRL.dll, backed by a store folder.
//
// Each method is a __thiscall member of CUSBCTRL in the real library; here
// each is a free function with GCC's thiscall convention (object in ECX,
// arguments on the stack, callee cleans), exported under the member's MSVC
// name by usbctrl.def. So the plug-in's calls meet a true thiscall callee,
// as they will in the real library. The object pointer is never
// written: the library's state lives in this module and in the store.
//
// The store folder: the DAVU_PLAYER environment variable, else the folder
// named by Folder= in section [Player] of USBCTRL.ini beside this DLL, else
// player\ beside this DLL. It is looked up and read afresh on every call,
// unless the in-memory player (memory_backend.h) takes the calls.
#include "device/usbctrl_contract.h"
#include "sim/usbctrl/memory_backend.h"
#include "sim/usbctrl/player_store.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using simplayer::PlayerStore;
using simplayer::StoredFile;

// SetCancelFlag arrives on another thread while a transfer runs.
std::atomic<bool> cancelRequested{false};
std::atomic<HWND> progressWindow{nullptr};

// An enumeration remembers which files it has still to return, by index, so
// that a Delete between FindNext calls neither skips nor repeats a file.
struct Enumeration {
  std::vector<uint16_t> pending;
  size_t next = 0;
};
Enumeration enumerations[simplayer::kMemoryCount];

struct HandleCloser {
  void operator()(HANDLE h) const {
    if (h && h != INVALID_HANDLE_VALUE)
      CloseHandle(h);
  }
};
using FileHandle = std::unique_ptr<void, HandleCloser>;

FileHandle OpenFile(const std::string &path, DWORD access, DWORD share,
                    DWORD disposition) {
  HANDLE h = CreateFileA(path.c_str(), access, share, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  return FileHandle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

std::string ModuleFolder() {
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ModuleFolder), &self);
  char path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
  std::string full(path, n < MAX_PATH ? n : 0);
  return full.substr(0, full.find_last_of('\\') + 1);
}

std::string StoreFolder() {
  char buffer[4096];
  DWORD n = GetEnvironmentVariableA("DAVU_PLAYER", buffer, sizeof buffer);
  if (n > 0 && n < sizeof buffer)
    return simplayer::WithTrailingBackslash(buffer);
  std::string dir = ModuleFolder();
  n = GetPrivateProfileStringA("Player", "Folder", "", buffer, sizeof buffer,
                               (dir + "USBCTRL.ini").c_str());
  if (n > 0 && n < sizeof buffer - 1) {
    std::string folder(buffer, n);
    bool absolute = folder[0] == '\\' || folder[0] == '/' ||
                    (folder.size() > 1 && folder[1] == ':');
    return simplayer::WithTrailingBackslash(absolute ? folder : dir + folder);
  }
  return dir + "player\\";
}

// One library call: its log line is written when it returns.
struct Call {
  const char *method;
  std::string folder = StoreFolder();
  std::vector<std::string> args;
  Call(const char *name, std::vector<std::string> arguments)
      : method(name), args(std::move(arguments)) {}
  int Finish(int result) const {
    simplayer::CallRecord record;
    record.method = method;
    record.args = args;
    record.result = std::to_string(result);
    simplayer::AppendCallLog(folder, record);
    return result;
  }
};

std::string Number(long long value) {
  return std::to_string(value);
}

std::string Pointer(const void *p) {
  char text[32];
  snprintf(text, sizeof text, "%p", p);
  return text;
}

// What an unplugged player gives: an enumeration finds nothing, every other
// call fails.
int NoAnswerResult(const char *method) {
  return strncmp(method, "FindFirst", 9) == 0 ||
                 strncmp(method, "FindNext", 8) == 0
             ? usbctrl::kNoMoreFiles
             : simplayer::kResultFailed;
}

// Applies the store's fail rules for this call. The rules' counters are
// kept in the store, so the n-th call is counted across processes too.
bool FailRuleHits(PlayerStore *store, const char *method, int index,
                  int *result) {
  if (store->config.unplugged) {
    *result = NoAnswerResult(method);
    return true;
  }
  bool counted = false, hit = false;
  for (simplayer::FailRule &rule : store->config.failRules) {
    if (rule.method != method || (rule.index != -1 && rule.index != index))
      continue;
    ++rule.seen;
    counted = true;
    if (!hit && (rule.nth == 0 || rule.seen == rule.nth)) {
      hit = true;
      *result = rule.result;
      if (rule.unplug) {
        store->config.unplugged = true;
        *result = NoAnswerResult(method);
      }
    }
  }
  if (counted)
    simplayer::SaveStore(*store, nullptr);
  return hit;
}

bool ValidMemory(int memory) {
  return memory == simplayer::kInternal || memory == simplayer::kExternal;
}

// The 16-bit file index an argument names, or -1.
int FileIndexArgument(int value) {
  return value >= 0 && value <= 0xffff ? value : -1;
}

void Deliver(const simplayer::PlayerConfig &config, WPARAM bytes) {
  HWND window = progressWindow.load();
  if (!window)
    return;
  if (config.postMessages)
    PostMessageA(window, usbctrl::kProgressMessage, bytes, 0);
  else
    SendMessageA(window, usbctrl::kProgressMessage, bytes, 0);
}

// Sleeps as long as moving `bytes` takes at the configured rate, in short
// slices so that a cancellation is seen soon. False when cancelled.
bool Pace(const simplayer::PlayerConfig &config, uint64_t bytes,
          bool cancellable) {
  if (config.bytesPerSecond == 0)
    return !(cancellable && cancelRequested.load());
  uint64_t wait = bytes * 1000 / config.bytesPerSecond;
  while (wait > 0) {
    if (cancellable && cancelRequested.load())
      return false;
    DWORD slice = static_cast<DWORD>(std::min<uint64_t>(wait, 10));
    Sleep(slice);
    wait -= slice;
  }
  return !(cancellable && cancelRequested.load());
}

uint32_t ChunkSize(const simplayer::PlayerConfig &config) {
  return config.chunkSize ? config.chunkSize : 16384;
}

// Moves `total` bytes in chunks through `step` (which moves one chunk and
// returns false on an I/O error), reporting each chunk and the end.
template <typename Step>
int MoveInChunks(const simplayer::PlayerConfig &config, uint32_t total,
                 Step step) {
  uint32_t chunk = ChunkSize(config);
  for (uint32_t done = 0; done < total;) {
    if (cancelRequested.load())
      return simplayer::kResultCancelled;
    uint32_t length = std::min(chunk, total - done);
    if (!step(done, length))
      return simplayer::kResultIoError;
    done += length;
    Deliver(config, length);
    if (!Pace(config, length, true))
      return simplayer::kResultCancelled;
  }
  if (cancelRequested.load())
    return simplayer::kResultCancelled;
  Deliver(config, usbctrl::kFileComplete);
  return usbctrl::kDone;
}

bool CopyChunk(HANDLE from, HANDLE to, uint32_t length) {
  char buffer[65536];
  while (length > 0) {
    DWORD want = std::min<DWORD>(length, sizeof buffer), got = 0, put = 0;
    if (!ReadFile(from, buffer, want, &got, nullptr) || got != want ||
        !WriteFile(to, buffer, got, &put, nullptr) || put != got)
      return false;
    length -= got;
  }
  return true;
}

std::string LastComponent(const std::string &path) {
  size_t at = path.find_last_of("\\/");
  return at == std::string::npos ? path : path.substr(at + 1);
}

void FillRecord(const PlayerStore &store, const StoredFile &file,
                usbctrl::tagFILE_ENTRY *record) {
  memset(record, 0, sizeof *record);
  size_t length = std::min(file.name.size(), sizeof record->Name - 1);
  memcpy(record->Name, file.name.data(), length);
  if (store.config.unterminatedNames)
    memset(record->Name + length, '_', sizeof record->Name - length);
  record->CreationTime = file.times.creation.time;
  record->CreationDate = file.times.creation.date;
  record->LastAccessDate = file.times.lastAccess.date;
  record->LastAccessTime = file.times.lastAccess.time;
  record->LastWriteTime = file.times.lastWrite.time;
  record->LastWriteDate = file.times.lastWrite.date;
  record->FileIndex = file.index | store.config.indexHighBits;
  record->FileSize = file.size;
}

int FindNextIn(int memory, usbctrl::tagFILE_ENTRY *record,
               const PlayerStore &store) {
  Enumeration &e = enumerations[memory];
  while (e.next < e.pending.size()) {
    const StoredFile *file =
        simplayer::FindFile(store, memory, e.pending[e.next++]);
    if (file) {
      FillRecord(store, *file, record);
      return usbctrl::kDone;
    }
  }
  return usbctrl::kNoMoreFiles;
}

int FindFirst(int memory, const char *method, usbctrl::tagFILE_ENTRY *record) {
  Call call(method, {Pointer(record)});
  Enumeration &e = enumerations[memory];
  e = Enumeration();
  PlayerStore store;
  int failure;
  if (!record || !simplayer::LoadStore(call.folder, &store, nullptr))
    return call.Finish(usbctrl::kNoMoreFiles);
  if (FailRuleHits(&store, method, -1, &failure))
    return call.Finish(failure);
  if (!simplayer::MemoryPresent(store, memory))
    return call.Finish(usbctrl::kNoMoreFiles);
  for (const StoredFile &f : store.memories[memory].files)
    e.pending.push_back(f.index);
  return call.Finish(FindNextIn(memory, record, store));
}

int FindNext(int memory, const char *method, usbctrl::tagFILE_ENTRY *record) {
  Call call(method, {Pointer(record)});
  PlayerStore store;
  int failure;
  if (!record || !simplayer::LoadStore(call.folder, &store, nullptr))
    return call.Finish(usbctrl::kNoMoreFiles);
  if (FailRuleHits(&store, method, -1, &failure))
    return call.Finish(failure);
  if (!simplayer::MemoryPresent(store, memory))
    return call.Finish(usbctrl::kNoMoreFiles);
  return call.Finish(FindNextIn(memory, record, store));
}

int Format(int memory, const char *method) {
  Call call(method, {});
  PlayerStore store;
  int failure;
  if (!simplayer::LoadStore(call.folder, &store, nullptr))
    return call.Finish(simplayer::kResultFailed);
  if (FailRuleHits(&store, method, -1, &failure))
    return call.Finish(failure);
  if (!simplayer::MemoryPresent(store, memory))
    return call.Finish(simplayer::kResultNoCard);
  // A format reports the whole memory in sixteen steps; at a simulated rate
  // it takes at most about two seconds, whatever the memory's size.
  const simplayer::PlayerConfig &config = store.config;
  uint32_t capacity = store.memories[memory].capacity;
  const uint32_t steps = 16;
  for (uint32_t step = 0; step < steps; ++step) {
    uint32_t part =
        capacity / steps + (step == steps - 1 ? capacity % steps : 0);
    if (part)
      Deliver(config, part);
    if (config.bytesPerSecond)
      Sleep(static_cast<DWORD>(std::min<uint64_t>(
          uint64_t(part) * 1000 / config.bytesPerSecond, 2000 / steps)));
  }
  if (!simplayer::ClearMemory(&store, memory, nullptr))
    return call.Finish(simplayer::kResultIoError);
  Deliver(config, usbctrl::kFileComplete);
  return call.Finish(usbctrl::kDone);
}

int DownloadInto(PlayerStore *store, int memory, const std::string &path) {
  if (!ValidMemory(memory))
    return simplayer::kResultFailed;
  if (!simplayer::MemoryPresent(*store, memory))
    return simplayer::kResultNoCard;
  std::string name = LastComponent(path);
  if (name.empty() || name.size() > simplayer::kMaxNameLength)
    return simplayer::kResultFailed;
  FileHandle source = OpenFile(
      path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  LARGE_INTEGER size;
  FILETIME created, accessed, written;
  if (!source || !GetFileSizeEx(source.get(), &size) ||
      !GetFileTime(source.get(), &created, &accessed, &written))
    return simplayer::kResultIoError;
  if (store->config.memoryFull ||
      size.QuadPart > simplayer::FreeSpace(*store, memory))
    return simplayer::kResultMemoryFull;

  StoredFile file;
  if (!simplayer::AllocateIndex(store, memory, &file.index))
    return simplayer::kResultMemoryFull;
  file.name = name;
  file.size = static_cast<uint32_t>(size.QuadPart);
  file.times = simplayer::CurrentTimes();
  if (simplayer::DosStampFromFileTime(written, &file.times.lastWrite)) {
    if (!simplayer::DosStampFromFileTime(created, &file.times.creation))
      file.times.creation = file.times.lastWrite;
    if (!simplayer::DosStampFromFileTime(accessed, &file.times.lastAccess))
      file.times.lastAccess = file.times.lastWrite;
  }

  // The contents go to a temporary file first, so that a cancelled or failed
  // transfer leaves nothing on the player.
  std::string temp = store->folder + "download.tmp";
  int result;
  {
    FileHandle target = OpenFile(temp, GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (!target)
      return simplayer::kResultIoError;
    result =
        MoveInChunks(store->config, file.size, [&](uint32_t, uint32_t length) {
          return CopyChunk(source.get(), target.get(), length);
        });
  }
  std::string content = simplayer::ContentPath(*store, memory, file.index);
  if (result == usbctrl::kDone &&
      (!MoveFileExA(temp.c_str(), content.c_str(), MOVEFILE_REPLACE_EXISTING) ||
       !simplayer::AddEntry(store, memory, file, nullptr))) {
    DeleteFileA(content.c_str());
    result = simplayer::kResultIoError;
  }
  DeleteFileA(temp.c_str());
  return result;
}

// Writes the file into the current folder; with `unplugAt`, only that many
// bytes go before the transfer breaks off.
int UploadFrom(const PlayerStore &store, int memory, int index,
               const uint32_t *unplugAt = nullptr) {
  if (!ValidMemory(memory))
    return simplayer::kResultFailed;
  if (!simplayer::MemoryPresent(store, memory))
    return simplayer::kResultNoCard;
  int key = FileIndexArgument(index);
  const StoredFile *file =
      key < 0 ? nullptr
              : simplayer::FindFile(store, memory, static_cast<uint16_t>(key));
  if (!file)
    return simplayer::kResultUnknownIndex;
  FileHandle source =
      OpenFile(simplayer::ContentPath(store, memory, file->index), GENERIC_READ,
               FILE_SHARE_READ, OPEN_EXISTING);
  if (!source)
    return simplayer::kResultIoError;
  // The current folder, under the name's raw bytes, as the device does.
  FileHandle target = OpenFile(file->name, GENERIC_WRITE, 0, CREATE_ALWAYS);
  if (!target)
    return simplayer::kResultIoError;
  if (unplugAt) {
    MoveInChunks(store.config, std::min(*unplugAt, file->size),
                 [&](uint32_t, uint32_t length) {
                   return CopyChunk(source.get(), target.get(), length);
                 });
    return simplayer::kResultFailed;
  }
  return MoveInChunks(store.config, file->size, [&](uint32_t, uint32_t length) {
    return CopyChunk(source.get(), target.get(), length);
  });
}

int DeleteFrom(PlayerStore *store, int memory, int index) {
  if (!ValidMemory(memory))
    return simplayer::kResultFailed;
  if (!simplayer::MemoryPresent(*store, memory))
    return simplayer::kResultNoCard;
  int key = FileIndexArgument(index);
  const StoredFile *file =
      key < 0 ? nullptr
              : simplayer::FindFile(*store, memory, static_cast<uint16_t>(key));
  if (!file)
    return simplayer::kResultUnknownIndex;
  // The erase is reported like a transfer of the file's bytes; a cancelled
  // delete keeps the file.
  int result = MoveInChunks(store->config, file->size,
                            [](uint32_t, uint32_t) { return true; });
  if (result != usbctrl::kDone)
    return result;
  return simplayer::RemoveFile(store, memory, static_cast<uint16_t>(key),
                               nullptr)
             ? usbctrl::kDone
             : simplayer::kResultIoError;
}

// Runs an export's body; nothing may escape into the caller's frame.
template <typename Body> int Guarded(int fallback, Body body) {
  try {
    return body();
  } catch (...) {
    return fallback;
  }
}

} // namespace

// GCC can declare the member convention on a free function.
#define DAVU_THISCALL __attribute__((thiscall))

extern "C" {

void *DAVU_THISCALL SimCtor(void *self) {
  if (simmemory::Active()) {
    simmemory::Construct();
    return self;
  }
  try {
    Call call("CUSBCTRL", {Pointer(self)});
    cancelRequested = false;
    for (Enumeration &e : enumerations)
      e = Enumeration();
    call.Finish(0);
  } catch (...) {
  }
  return self;
}

int DAVU_THISCALL SimSetProgressWindow(void *, HWND window) {
  if (simmemory::Active())
    return simmemory::SetProgressWindow(window);
  progressWindow = window;
  return Guarded(0, [&] {
    return Call("SetProgressWindow", {Pointer(window)}).Finish(0);
  });
}

int DAVU_THISCALL SimDumpUsbConfig(void *) {
  if (simmemory::Active())
    return simmemory::DumpUsbConfig();
  return Guarded(simplayer::kResultFailed, [] {
    Call call("dumpUsbConfig", {});
    PlayerStore store;
    int failure;
    if (!simplayer::LoadStore(call.folder, &store, nullptr))
      return call.Finish(simplayer::kResultFailed);
    if (FailRuleHits(&store, "dumpUsbConfig", -1, &failure))
      return call.Finish(failure);
    if (store.config.notReady)
      return call.Finish(store.config.notReadyResult);
    return call.Finish(usbctrl::kDone);
  });
}

int DAVU_THISCALL SimCheckSMCCard(void *) {
  if (simmemory::Active())
    return simmemory::CheckSMCCard();
  return Guarded(0, [] {
    Call call("CheckSMCCard", {});
    PlayerStore store;
    int failure;
    if (!simplayer::LoadStore(call.folder, &store, nullptr))
      return call.Finish(0);
    if (FailRuleHits(&store, "CheckSMCCard", -1, &failure))
      return call.Finish(failure);
    return call.Finish(store.config.checkCardResult);
  });
}

int DAVU_THISCALL SimGetVersionInfo(void *, unsigned char *text64) {
  if (simmemory::Active())
    return simmemory::GetVersionInfo(text64);
  return Guarded(simplayer::kResultFailed, [&] {
    Call call("GetVersionInfo", {Pointer(text64)});
    if (!text64)
      return call.Finish(simplayer::kResultFailed);
    text64[0] = 0;
    PlayerStore store;
    int failure;
    if (!simplayer::LoadStore(call.folder, &store, nullptr))
      return call.Finish(simplayer::kResultFailed);
    if (FailRuleHits(&store, "GetVersionInfo", -1, &failure))
      return call.Finish(failure);
    snprintf(reinterpret_cast<char *>(text64), 64, "%s",
             store.config.versionText.c_str());
    return call.Finish(store.config.connectResult);
  });
}

int DAVU_THISCALL SimGetAvailMemory(void *, int *internalTotal,
                                    int *internalFree, int *externalTotal,
                                    int *externalFree) {
  if (simmemory::Active())
    return simmemory::GetAvailMemory(internalTotal, internalFree, externalTotal,
                                     externalFree);
  return Guarded(simplayer::kResultFailed, [&] {
    Call call("GetAvailMemory",
              {Pointer(internalTotal), Pointer(internalFree),
               Pointer(externalTotal), Pointer(externalFree)});
    int values[4] = {0, 0, 0, 0};
    PlayerStore store;
    int result = simplayer::kResultFailed;
    if (simplayer::LoadStore(call.folder, &store, nullptr) &&
        !FailRuleHits(&store, "GetAvailMemory", -1, &result)) {
      auto clamp = [](uint32_t v) {
        return v > INT_MAX ? INT_MAX : static_cast<int>(v);
      };
      values[0] = clamp(store.memories[simplayer::kInternal].capacity);
      values[1] = clamp(simplayer::FreeSpace(store, simplayer::kInternal));
      if (simplayer::MemoryPresent(store, simplayer::kExternal)) {
        values[2] = clamp(store.memories[simplayer::kExternal].capacity);
        values[3] = clamp(simplayer::FreeSpace(store, simplayer::kExternal));
      }
      result = usbctrl::kDone;
    }
    int *slots[4] = {internalTotal, internalFree, externalTotal, externalFree};
    for (int i = 0; i < 4; ++i)
      if (slots[i])
        *slots[i] = values[i];
    return call.Finish(result);
  });
}

int DAVU_THISCALL SimFormatInternal(void *) {
  if (simmemory::Active())
    return simmemory::Format(simplayer::kInternal);
  return Guarded(simplayer::kResultFailed,
                 [] { return Format(simplayer::kInternal, "FormatInternal"); });
}

int DAVU_THISCALL SimFormatExternal(void *) {
  if (simmemory::Active())
    return simmemory::Format(simplayer::kExternal);
  return Guarded(simplayer::kResultFailed,
                 [] { return Format(simplayer::kExternal, "FormatExternal"); });
}

int DAVU_THISCALL SimFindFirstInternal(void *, usbctrl::tagFILE_ENTRY *record) {
  if (simmemory::Active())
    return simmemory::FindFirst(simplayer::kInternal, record);
  return Guarded(usbctrl::kNoMoreFiles, [&] {
    return FindFirst(simplayer::kInternal, "FindFirstInternal", record);
  });
}

int DAVU_THISCALL SimFindNextInternal(void *, usbctrl::tagFILE_ENTRY *record) {
  if (simmemory::Active())
    return simmemory::FindNext(simplayer::kInternal, record);
  return Guarded(usbctrl::kNoMoreFiles, [&] {
    return FindNext(simplayer::kInternal, "FindNextInternal", record);
  });
}

int DAVU_THISCALL SimFindFirstExternal(void *, usbctrl::tagFILE_ENTRY *record) {
  if (simmemory::Active())
    return simmemory::FindFirst(simplayer::kExternal, record);
  return Guarded(usbctrl::kNoMoreFiles, [&] {
    return FindFirst(simplayer::kExternal, "FindFirstExternal", record);
  });
}

int DAVU_THISCALL SimFindNextExternal(void *, usbctrl::tagFILE_ENTRY *record) {
  if (simmemory::Active())
    return simmemory::FindNext(simplayer::kExternal, record);
  return Guarded(usbctrl::kNoMoreFiles, [&] {
    return FindNext(simplayer::kExternal, "FindNextExternal", record);
  });
}

int DAVU_THISCALL SimDownload(void *, int memory, const char *path) {
  if (simmemory::Active())
    return simmemory::Download(memory, path);
  cancelRequested = false;
  return Guarded(simplayer::kResultFailed, [&] {
    Call call("Download", {Number(memory), path ? path : "(null)"});
    PlayerStore store;
    int failure;
    if (!path || !simplayer::LoadStore(call.folder, &store, nullptr))
      return call.Finish(simplayer::kResultFailed);
    if (FailRuleHits(&store, "Download", -1, &failure))
      return call.Finish(failure);
    return call.Finish(DownloadInto(&store, memory, path));
  });
}

int DAVU_THISCALL SimDelete(void *, int memory, int fileIndex) {
  if (simmemory::Active())
    return simmemory::Delete(memory, fileIndex);
  cancelRequested = false;
  return Guarded(simplayer::kResultFailed, [&] {
    Call call("Delete", {Number(memory), Number(fileIndex)});
    PlayerStore store;
    int failure;
    if (!simplayer::LoadStore(call.folder, &store, nullptr))
      return call.Finish(simplayer::kResultFailed);
    if (FailRuleHits(&store, "Delete", fileIndex, &failure))
      return call.Finish(failure);
    return call.Finish(DeleteFrom(&store, memory, fileIndex));
  });
}

int DAVU_THISCALL SimUpload(void *, int memory, int fileIndex,
                            const char *text) {
  if (simmemory::Active())
    return simmemory::Upload(memory, fileIndex);
  cancelRequested = false;
  return Guarded(simplayer::kResultFailed, [&] {
    Call call("Upload",
              {Number(memory), Number(fileIndex), text ? text : "(null)"});
    PlayerStore store;
    int failure;
    if (!simplayer::LoadStore(call.folder, &store, nullptr))
      return call.Finish(simplayer::kResultFailed);
    const bool answering = !store.config.unplugged;
    if (FailRuleHits(&store, "Upload", fileIndex, &failure)) {
      // The transfer breaks off half-way: part of the file is already on
      // the PC, as it would be with a real player.
      if (answering) {
        int key = FileIndexArgument(fileIndex);
        const StoredFile *file =
            key < 0 || !ValidMemory(memory)
                ? nullptr
                : simplayer::FindFile(store, memory,
                                      static_cast<uint16_t>(key));
        if (file) {
          uint32_t half = file->size / 2;
          UploadFrom(store, memory, fileIndex, &half);
        }
      }
      return call.Finish(failure);
    }
    return call.Finish(UploadFrom(store, memory, fileIndex));
  });
}

int DAVU_THISCALL SimChangeOrder(void *, int memory, int fileIndex,
                                 int position) {
  if (simmemory::Active())
    return simmemory::ChangeOrder(memory, fileIndex, position);
  return Guarded(simplayer::kResultFailed, [&] {
    Call call("ChangeOrder",
              {Number(memory), Number(fileIndex), Number(position)});
    PlayerStore store;
    int failure;
    if (!simplayer::LoadStore(call.folder, &store, nullptr) ||
        !ValidMemory(memory))
      return call.Finish(simplayer::kResultFailed);
    if (FailRuleHits(&store, "ChangeOrder", fileIndex, &failure))
      return call.Finish(failure);
    int key = FileIndexArgument(fileIndex);
    if (key < 0 ||
        !simplayer::FindFile(store, memory, static_cast<uint16_t>(key)))
      return call.Finish(simplayer::kResultUnknownIndex);
    return call.Finish(simplayer::MoveInOrder(&store, memory,
                                              static_cast<uint16_t>(key),
                                              position, nullptr)
                           ? usbctrl::kDone
                           : simplayer::kResultIoError);
  });
}

void DAVU_THISCALL SimSetCancelFlag(void *) {
  if (simmemory::Active())
    return simmemory::SetCancelFlag();
  cancelRequested = true;
  try {
    Call("SetCancelFlag", {}).Finish(0);
  } catch (...) {
  }
}

} // extern "C"
