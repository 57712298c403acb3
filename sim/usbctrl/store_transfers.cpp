#include "sim/usbctrl/store_transfers.h"

#include "device/usbctrl_contract.h"
#include "sim/usbctrl/library_answers.h"

#include <algorithm>
#include <atomic>
#include <memory>

namespace simstore {

using simplayer::PlayerConfig;
using simplayer::PlayerStore;
using simplayer::StoredFile;

namespace {

std::atomic<bool> cancelRequested{false};
std::atomic<HWND> progressWindow{nullptr};

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

// Sleeps as long as moving `bytes` takes at the configured rate, in short
// slices so that a cancellation is seen soon. False when cancelled.
bool Pace(const PlayerConfig &config, uint64_t bytes) {
  if (config.bytesPerSecond == 0)
    return !cancelRequested.load();
  uint64_t wait = bytes * 1000 / config.bytesPerSecond;
  while (wait > 0) {
    if (cancelRequested.load())
      return false;
    DWORD slice = static_cast<DWORD>(std::min<uint64_t>(wait, 10));
    Sleep(slice);
    wait -= slice;
  }
  return !cancelRequested.load();
}

// Moves `total` bytes in chunks through `step` (which moves one chunk and
// returns false on an I/O error), reporting each chunk and the end.
template <typename Step>
int MoveInChunks(const PlayerConfig &config, uint32_t total, Step step) {
  uint32_t chunk = simlibrary::ChunkSize(config);
  for (uint32_t done = 0; done < total;) {
    if (cancelRequested.load())
      return simplayer::kResultCancelled;
    uint32_t length = std::min(chunk, total - done);
    if (!step(length))
      return simplayer::kResultIoError;
    done += length;
    Deliver(config, length);
    if (!Pace(config, length))
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

int CopyInChunks(const PlayerConfig &config, uint32_t total, HANDLE from,
                 HANDLE to) {
  return MoveInChunks(config, total, [&](uint32_t length) {
    return CopyChunk(from, to, length);
  });
}

std::string LastComponent(const std::string &path) {
  size_t at = path.find_last_of("\\/");
  return at == std::string::npos ? path : path.substr(at + 1);
}

// A PC file opened for a download, with what its record needs.
struct DownloadSource {
  FileHandle file;
  LARGE_INTEGER size;
  FILETIME created, accessed, written;
};

bool OpenSource(const std::string &path, DownloadSource *source) {
  source->file = OpenFile(path, GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  return source->file && GetFileSizeEx(source->file.get(), &source->size) &&
         GetFileTime(source->file.get(), &source->created, &source->accessed,
                     &source->written);
}

// Copies the contents to a temporary file first, so that a cancelled or
// failed transfer leaves nothing on the player; then files the record.
int CopyIntoStore(PlayerStore *store, int memory, HANDLE source,
                  const StoredFile &file) {
  std::string temp = store->folder + "download.tmp";
  int result;
  {
    FileHandle target = OpenFile(temp, GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (!target)
      return simplayer::kResultIoError;
    result = CopyInChunks(store->config, file.size, source, target.get());
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

// Writes the file into the current folder, under the name's raw bytes as
// the device does; with `limit`, only that many bytes go before the
// transfer breaks off.
int UploadFile(const PlayerStore &store, int memory, const StoredFile &file,
               const uint32_t *limit) {
  FileHandle source =
      OpenFile(simplayer::ContentPath(store, memory, file.index), GENERIC_READ,
               FILE_SHARE_READ, OPEN_EXISTING);
  if (!source)
    return simplayer::kResultIoError;
  FileHandle target = OpenFile(file.name, GENERIC_WRITE, 0, CREATE_ALWAYS);
  if (!target)
    return simplayer::kResultIoError;
  if (!limit)
    return CopyInChunks(store.config, file.size, source.get(), target.get());
  CopyInChunks(store.config, std::min(*limit, file.size), source.get(),
               target.get());
  return simplayer::kResultFailed;
}

} // namespace

void SetCancelRequested(bool requested) {
  cancelRequested = requested;
}

void SetProgressWindowHandle(HWND window) {
  progressWindow = window;
}

void Deliver(const PlayerConfig &config, WPARAM bytes) {
  simlibrary::DeliverProgress(progressWindow.load(), config, bytes);
}

int NamedFile(const PlayerStore &store, int memory, int index,
              const StoredFile **file) {
  *file = nullptr;
  if (!simplayer::ValidMemory(memory))
    return simplayer::kResultFailed;
  if (!simplayer::MemoryPresent(store, memory))
    return simplayer::kResultNoCard;
  if (index >= 0 && index <= 0xffff)
    *file = simplayer::FindFile(store, memory, static_cast<uint16_t>(index));
  return *file ? usbctrl::kDone : simplayer::kResultUnknownIndex;
}

int DownloadInto(PlayerStore *store, int memory, const std::string &path) {
  std::string name = LastComponent(path);
  int target = simlibrary::CheckDownloadTarget(*store, memory, name);
  if (target != usbctrl::kDone)
    return target;
  DownloadSource source;
  if (!OpenSource(path, &source))
    return simplayer::kResultIoError;
  if (store->config.memoryFull ||
      source.size.QuadPart > simplayer::FreeSpace(*store, memory))
    return simplayer::kResultMemoryFull;
  StoredFile file;
  if (!simplayer::AllocateIndex(store, memory, &file.index))
    return simplayer::kResultMemoryFull;
  file.name = name;
  file.size = static_cast<uint32_t>(source.size.QuadPart);
  file.times =
      simplayer::PcFileTimes(source.created, source.accessed, source.written);
  return CopyIntoStore(store, memory, source.file.get(), file);
}

int UploadFrom(const PlayerStore &store, int memory, int index) {
  const StoredFile *file;
  int result = NamedFile(store, memory, index, &file);
  return file ? UploadFile(store, memory, *file, nullptr) : result;
}

void UploadHalf(const PlayerStore &store, int memory, int index) {
  const StoredFile *file;
  NamedFile(store, memory, index, &file);
  if (file) {
    uint32_t half = file->size / 2;
    UploadFile(store, memory, *file, &half);
  }
}

int DeleteFrom(PlayerStore *store, int memory, int index) {
  const StoredFile *file;
  int result = NamedFile(*store, memory, index, &file);
  if (!file)
    return result;
  // A cancelled delete keeps the file.
  result =
      MoveInChunks(store->config, file->size, [](uint32_t) { return true; });
  if (result != usbctrl::kDone)
    return result;
  return simplayer::RemoveFile(store, memory, static_cast<uint16_t>(index),
                               nullptr)
             ? usbctrl::kDone
             : simplayer::kResultIoError;
}

int FormatMemory(PlayerStore *store, int memory) {
  // A format reports the whole memory in sixteen steps; at a simulated rate
  // it takes at most about two seconds, whatever the memory's size.
  const PlayerConfig &config = store->config;
  uint32_t capacity = store->memories[memory].capacity;
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
  if (!simplayer::ClearMemory(store, memory, nullptr))
    return simplayer::kResultIoError;
  Deliver(config, usbctrl::kFileComplete);
  return usbctrl::kDone;
}

} // namespace simstore
