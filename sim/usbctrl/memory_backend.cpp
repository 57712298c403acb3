// The in-memory player: the store read once from its folder, then changed
// only in memory. Files carry no contents; a transfer reports its bytes in
// chunks of the store's chunk size and returns.
#include "sim/usbctrl/memory_backend.h"

#include "sim/usbctrl/library_answers.h"
#include "sim/usbctrl/memory_player.h"
#include "sim/usbctrl/player_store.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace simmemory {

namespace {

using simplayer::StoredFile;

constexpr int32_t kNowhere = -1;

struct Memory {
  std::vector<StoredFile> files; // play order
  // Play position of each file index, so that a lookup costs nothing.
  std::vector<int32_t> where = std::vector<int32_t>(65536, kNowhere);
  uint64_t used = 0;
  std::vector<uint16_t> pending; // the running enumeration, by index
  size_t next = 0;
};

struct Player {
  simplayer::PlayerStore store;
  Memory memories[simplayer::kMemoryCount];
  LONG generation = -1;
};

Player player;
SharedBlock *block = nullptr;
std::atomic<bool> cancelRequested{false};
std::atomic<HWND> progressWindow{nullptr};

void Reindex(Memory &memory, size_t from) {
  for (size_t i = from; i < memory.files.size(); ++i)
    memory.where[memory.files[i].index] = static_cast<int32_t>(i);
}

// Reads the store again when the driver asked for it; counts the call.
void Enter(Method method) {
  if (!block)
    return;
  InterlockedIncrement(&block->calls[method]);
  if (block->generation == player.generation)
    return;
  player = Player();
  player.generation = block->generation;
  std::string folder = simlibrary::FolderFromEnvironment();
  if (folder.empty() || !simplayer::LoadStore(folder, &player.store, nullptr))
    return;
  for (int m = 0; m < simplayer::kMemoryCount; ++m) {
    Memory &memory = player.memories[m];
    memory.files.swap(player.store.memories[m].files);
    Reindex(memory, 0);
    for (const StoredFile &file : memory.files)
      memory.used += file.size;
  }
}

bool Present(int memory) {
  return simplayer::MemoryPresent(player.store, memory);
}

uint32_t Capacity(int memory) {
  return player.store.memories[memory].capacity;
}

uint32_t FreeSpace(int memory) {
  if (!Present(memory))
    return 0;
  uint64_t used = player.memories[memory].used;
  return used >= Capacity(memory)
             ? 0
             : Capacity(memory) - static_cast<uint32_t>(used);
}

StoredFile *Find(int memory, int index) {
  if (!simplayer::ValidMemory(memory) || index < 0 || index > 0xffff)
    return nullptr;
  int32_t at = player.memories[memory].where[index];
  return at == kNowhere ? nullptr : &player.memories[memory].files[at];
}

void Deliver(WPARAM bytes) {
  simlibrary::DeliverProgress(progressWindow.load(), player.store.config,
                              bytes);
}

// Reports `total` bytes chunk by chunk, then the file's end.
int Report(uint32_t total) {
  uint32_t chunk = simlibrary::ChunkSize(player.store.config);
  for (uint32_t done = 0; done < total;) {
    if (cancelRequested.load())
      return simplayer::kResultCancelled;
    uint32_t length = std::min(chunk, total - done);
    done += length;
    Deliver(length);
  }
  if (cancelRequested.load())
    return simplayer::kResultCancelled;
  Deliver(usbctrl::kFileComplete);
  return usbctrl::kDone;
}

bool AllocateIndex(int memory, uint16_t *index) {
  simplayer::MemoryState &state = player.store.memories[memory];
  for (unsigned tries = 0; tries < 0xffff; ++tries) {
    uint16_t candidate = state.nextIndex == 0 ? 1 : state.nextIndex;
    state.nextIndex =
        static_cast<uint16_t>(candidate == 0xffff ? 1 : candidate + 1);
    if (player.memories[memory].where[candidate] == kNowhere) {
      *index = candidate;
      return true;
    }
  }
  return false;
}

// The next file of the running enumeration into the record.
int NextRecord(int memory, usbctrl::tagFILE_ENTRY *record) {
  Memory &state = player.memories[memory];
  while (state.next < state.pending.size()) {
    const StoredFile *file = Find(memory, state.pending[state.next++]);
    if (file) {
      // Names stay terminated here, whatever the store says.
      simlibrary::FillRecord(*file, player.store.config.indexHighBits, false,
                             record);
      return usbctrl::kDone;
    }
  }
  return usbctrl::kNoMoreFiles;
}

std::string LastComponent(const char *path) {
  const char *slash = strrchr(path, '\\');
  return slash ? slash + 1 : path;
}

void Construct(void *) {
  Enter(CALL_CONSTRUCTOR);
  cancelRequested = false;
  for (Memory &memory : player.memories)
    memory.pending.clear();
}

int SetProgressWindow(HWND window) {
  Enter(CALL_SET_PROGRESS_WINDOW);
  progressWindow = window;
  return 0;
}

int DumpUsbConfig() {
  Enter(CALL_DUMP_USB_CONFIG);
  return player.store.config.notReady ? player.store.config.notReadyResult
                                      : usbctrl::kDone;
}

int CheckSMCCard() {
  Enter(CALL_CHECK_SMC_CARD);
  return player.store.config.checkCardResult;
}

int GetVersionInfo(unsigned char *text64) {
  Enter(CALL_GET_VERSION_INFO);
  if (!text64)
    return simplayer::kResultFailed;
  snprintf(reinterpret_cast<char *>(text64), 64, "%s",
           player.store.config.versionText.c_str());
  return player.store.config.connectResult;
}

int GetAvailMemory(int *internalTotal, int *internalFree, int *externalTotal,
                   int *externalFree) {
  Enter(CALL_GET_AVAIL_MEMORY);
  simlibrary::MemorySizes sizes;
  sizes.values[0] = Capacity(simplayer::kInternal);
  sizes.values[1] = FreeSpace(simplayer::kInternal);
  if (Present(simplayer::kExternal)) {
    sizes.values[2] = Capacity(simplayer::kExternal);
    sizes.values[3] = FreeSpace(simplayer::kExternal);
  }
  simlibrary::WriteMemorySizes(sizes, internalTotal, internalFree,
                               externalTotal, externalFree);
  return usbctrl::kDone;
}

int Format(int memory) {
  Enter(memory == simplayer::kInternal ? CALL_FORMAT_INTERNAL
                                       : CALL_FORMAT_EXTERNAL);
  if (!Present(memory))
    return simplayer::kResultNoCard;
  Memory &state = player.memories[memory];
  Deliver(Capacity(memory));
  for (const StoredFile &file : state.files)
    state.where[file.index] = kNowhere;
  state.files.clear();
  state.used = 0;
  Deliver(usbctrl::kFileComplete);
  return usbctrl::kDone;
}

int FindNext(int memory, usbctrl::tagFILE_ENTRY *record) {
  Enter(memory == simplayer::kInternal ? CALL_FIND_NEXT_INTERNAL
                                       : CALL_FIND_NEXT_EXTERNAL);
  if (!record || !Present(memory))
    return usbctrl::kNoMoreFiles;
  return NextRecord(memory, record);
}

int FindFirst(int memory, usbctrl::tagFILE_ENTRY *record) {
  Enter(memory == simplayer::kInternal ? CALL_FIND_FIRST_INTERNAL
                                       : CALL_FIND_FIRST_EXTERNAL);
  Memory &state = player.memories[memory];
  state.pending.clear();
  state.next = 0;
  if (!record || !Present(memory))
    return usbctrl::kNoMoreFiles;
  for (const StoredFile &file : state.files)
    state.pending.push_back(file.index);
  // The first record is found as FindNext finds the others, uncounted.
  return NextRecord(memory, record);
}

int Download(int memory, const char *path) {
  cancelRequested = false;
  Enter(CALL_DOWNLOAD);
  if (!path)
    return simplayer::kResultFailed;
  std::string name = LastComponent(path);
  int target = simlibrary::CheckDownloadTarget(player.store, memory, name);
  if (target != usbctrl::kDone)
    return target;
  // Only the size of the PC file is looked at; its bytes are not read.
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return simplayer::kResultIoError;
  if (data.nFileSizeHigh != 0 || player.store.config.memoryFull ||
      data.nFileSizeLow > FreeSpace(memory))
    return simplayer::kResultMemoryFull;
  StoredFile file;
  if (!AllocateIndex(memory, &file.index))
    return simplayer::kResultMemoryFull;
  file.name = name;
  file.size = data.nFileSizeLow;
  file.times = simplayer::CurrentTimes();
  simplayer::DosStampFromFileTime(data.ftLastWriteTime, &file.times.lastWrite);
  int result = Report(file.size);
  if (result != usbctrl::kDone)
    return result;
  Memory &state = player.memories[memory];
  state.files.push_back(file);
  state.where[file.index] = static_cast<int32_t>(state.files.size() - 1);
  state.used += file.size;
  return usbctrl::kDone;
}

// The file a call names, or the library's result for a call naming none.
int NamedFile(int memory, int fileIndex, StoredFile **file) {
  *file = nullptr;
  if (!simplayer::ValidMemory(memory))
    return simplayer::kResultFailed;
  if (!Present(memory))
    return simplayer::kResultNoCard;
  *file = Find(memory, fileIndex);
  return *file ? usbctrl::kDone : simplayer::kResultUnknownIndex;
}

// Starts a transfer call naming a file: a new transfer is not cancelled.
int StartFileCall(Method method, int memory, int fileIndex, StoredFile **file) {
  cancelRequested = false;
  Enter(method);
  return NamedFile(memory, fileIndex, file);
}

int Delete(int memory, int fileIndex) {
  StoredFile *file = nullptr;
  if (int result = StartFileCall(CALL_DELETE, memory, fileIndex, &file); !file)
    return result;
  int result = Report(file->size);
  if (result != usbctrl::kDone)
    return result;
  Memory &state = player.memories[memory];
  size_t at = static_cast<size_t>(state.where[fileIndex]);
  state.used -= file->size;
  state.where[fileIndex] = kNowhere;
  state.files.erase(state.files.begin() + at);
  Reindex(state, at);
  return usbctrl::kDone;
}

int Upload(int memory, int fileIndex, const char *) {
  StoredFile *file = nullptr;
  if (int result = StartFileCall(CALL_UPLOAD, memory, fileIndex, &file); !file)
    return result;
  // The file appears in the current folder with its length set and no
  // bytes written (sparse where the file system allows).
  HANDLE target = CreateFileA(file->name.c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (target == INVALID_HANDLE_VALUE)
    return simplayer::kResultIoError;
  LARGE_INTEGER length;
  length.QuadPart = file->size;
  bool sized = SetFilePointerEx(target, length, nullptr, FILE_BEGIN) &&
               SetEndOfFile(target);
  CloseHandle(target);
  if (!sized)
    return simplayer::kResultIoError;
  return Report(file->size);
}

int ChangeOrder(int memory, int fileIndex, int position) {
  Enter(CALL_CHANGE_ORDER);
  if (!simplayer::ValidMemory(memory) || !Find(memory, fileIndex))
    return simplayer::kResultUnknownIndex;
  Memory &state = player.memories[memory];
  int from = state.where[fileIndex];
  int count = static_cast<int>(state.files.size());
  position = std::max(0, std::min(position, count));
  // Positions count in the order before the move.
  int to = position > from ? position - 1 : position;
  StoredFile moving = state.files[from];
  state.files.erase(state.files.begin() + from);
  state.files.insert(state.files.begin() + to, moving);
  Reindex(state, static_cast<size_t>(std::min(from, to)));
  return usbctrl::kDone;
}

void SetCancelFlag() {
  cancelRequested = true;
  if (block)
    InterlockedIncrement(&block->calls[CALL_SET_CANCEL_FLAG]);
}

} // namespace

bool Active() {
  static const bool on = [] {
    char value[8];
    DWORD n = GetEnvironmentVariableA(kSwitchVariable, value, sizeof value);
    if (n == 0 || n >= sizeof value || strcmp(value, "0") == 0)
      return false;
    block = MapSharedBlock();
    return block != nullptr;
  }();
  return on;
}

const simlibrary::PlayerCalls kMemoryPlayer = {
    Construct,      SetProgressWindow, DumpUsbConfig, CheckSMCCard,
    GetVersionInfo, GetAvailMemory,    Format,        FindFirst,
    FindNext,       Download,          Delete,        Upload,
    ChangeOrder,    SetCancelFlag};

} // namespace simmemory
