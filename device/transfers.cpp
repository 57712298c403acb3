// Device operations and the per-file calls with their byte and time
// accounting. The progress thread reads these counters and moves FileDone
// and TotalDone while a library call runs, so every access is one whole
// atomic word.
#include "device/device_link.h"

#include "device/name_conversion.h"
#include "host/unique_handle.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace davu {

namespace {

constexpr size_t kPathBufferSize = 4096;

// Opened for reading while other programs read, write or delete it.
UniqueFile OpenForReading(const char *path) {
  return UniqueFile(
      CreateFileA(path, GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// %TEMP%\DAVUman\: the copies the library reads when the player spells a
// name differently, one folder per process below it.
std::string CopiesRoot() {
  char temp[MAX_PATH + 1] = {};
  DWORD length = GetTempPathA(sizeof temp, temp);
  if (length == 0 || length >= sizeof temp)
    return std::string();
  std::string folder(temp, length);
  if (folder.back() != '\\')
    folder += '\\';
  return folder + "DAVUman\\";
}

// This process's own folder: two FARs may send at once, and one that
// starts must not take away the copy another is sending.
std::string CopiesFolder() {
  std::string root = CopiesRoot();
  if (root.empty())
    return root;
  return root + std::to_string(GetCurrentProcessId()) + "\\";
}

// True while a process of that id runs (or exists but may not be asked).
bool ProcessRuns(DWORD id) {
  UniqueKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, id));
  if (!process)
    return GetLastError() == ERROR_ACCESS_DENIED;
  return WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

// Deletes the files of `folder` (ending in a backslash), then the folder
// if it is empty then.
void RemoveFilesOf(const std::string &folder) {
  WIN32_FIND_DATAA data;
  {
    UniqueFind search(FindFirstFileA((folder + "*").c_str(), &data));
    if (search) {
      do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          continue;
        std::string path = folder + data.cFileName;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      } while (FindNextFileA(search.Get(), &data));
    }
  }
  RemoveDirectoryA(folder.c_str());
}

// The whole file with its times; false, and nothing left, on any failure.
bool CopyWithTimes(HANDLE from, const std::string &to) {
  UniqueFile target(CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!target)
    return false;
  std::vector<char> buffer(65536);
  bool ok = true;
  for (;;) {
    DWORD got = 0, put = 0;
    if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &got,
                  nullptr)) {
      ok = false;
      break;
    }
    if (got == 0)
      break;
    if (!WriteFile(target.Get(), buffer.data(), got, &put, nullptr) ||
        put != got) {
      ok = false;
      break;
    }
  }
  // The library may take the player's file times from the file it reads.
  FILETIME created, accessed, written;
  if (ok && GetFileTime(from, &created, &accessed, &written))
    ok = SetFileTime(target.Get(), &created, &accessed, &written) != 0;
  target.Reset();
  if (!ok)
    DeleteFileA(to.c_str());
  return ok;
}

} // namespace

bool SendSource::Prepare(const char *path) {
  Release();
  if (!path || strlen(path) >= kPathBufferSize)
    return false;
  // Readable now, or the player's file of the same name would be deleted
  // for a send that cannot happen.
  UniqueFile source = OpenForReading(path);
  if (!source)
    return false;
  char devicePath[kPathBufferSize];
  ToDeviceName(path, devicePath);
  if (strcmp(devicePath, path) == 0) {
    libraryPath_ = path;
    return true;
  }
  const char *slash = strrchr(devicePath, '\\');
  std::string folder = CopiesFolder();
  if (folder.empty())
    return false;
  std::string copy = folder + (slash ? slash + 1 : devicePath);
  if (copy.size() >= MAX_PATH)
    return false;
  CreateDirectoryA(CopiesRoot().c_str(), nullptr);
  CreateDirectoryA(folder.c_str(), nullptr);
  if (!CopyWithTimes(source.Get(), copy)) {
    RemoveDirectoryA(folder.c_str());
    RemoveDirectoryA(CopiesRoot().c_str()); // stays while others use it
    return false;
  }
  libraryPath_ = copy;
  copied_ = true;
  return true;
}

void SendSource::Release() {
  if (copied_) {
    SetFileAttributesA(libraryPath_.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(libraryPath_.c_str());
    std::string folder = libraryPath_.substr(0, libraryPath_.rfind('\\'));
    RemoveDirectoryA(folder.c_str());       // stays while another copy is in it
    RemoveDirectoryA(CopiesRoot().c_str()); // stays while others use it
  }
  copied_ = false;
  libraryPath_.clear();
}

void RemoveSendCopies() {
  std::string root = CopiesRoot();
  if (root.empty())
    return;
  // Folders of processes that ended (killed mid-send), and this one's;
  // files right in the root come from before the folders per process.
  WIN32_FIND_DATAA data;
  std::vector<std::string> ended;
  {
    UniqueFind search(FindFirstFileA((root + "*").c_str(), &data));
    if (search) {
      do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
          continue;
        char *end = nullptr;
        unsigned long id = strtoul(data.cFileName, &end, 10);
        if (end == data.cFileName || *end != 0)
          continue;
        if (id == GetCurrentProcessId() || !ProcessRuns(id))
          ended.push_back(root + data.cFileName + "\\");
      } while (FindNextFileA(search.Get(), &data));
    }
  }
  for (const std::string &folder : ended)
    RemoveFilesOf(folder);
  RemoveFilesOf(root);
}

void DeviceLink::BeginOperation(uint16_t opMode, uint32_t totalSize) {
  OpStartTick.store(0);
  OpMode.store(opMode);
  TotalSize.store(totalSize);
  TotalDone.store(0);
}

void DeviceLink::EndOperation() {
  OpMode.store(0);
}

void DeviceLink::CancelOperation() {
  if (Entry.SetCancelFlag)
    Entry.SetCancelFlag(LibraryObject(), nullptr);
  OpMode.store(OM_CANCELLED | OM_QUIET);
}

void DeviceLink::AddQuiet() {
  OpMode.fetch_or(OM_QUIET);
}

void DeviceLink::RemoveQuiet() {
  OpMode.fetch_and(static_cast<uint16_t>(~OM_QUIET));
}

namespace {

void StartFile(DeviceLink &link, uint32_t fileSize) {
  uint32_t now = GetTickCount();
  link.FileStartTick.store(now);
  link.FileSize.store(fileSize);
  link.FileDone.store(0);
  if (link.OpStartTick.load() == 0) {
    link.OpStartTick.store(now);
    link.DoneBefore.store(0);
    link.TotalDone.store(0);
  }
}

// Counts a file only when the operation still is the one the call belongs
// to; the bit is read after the library has returned, so a cancellation
// during the call leaves the file uncounted.
void CountSuccess(DeviceLink &link, int result, uint16_t ownBit,
                  uint32_t fileSize) {
  if (result != 0 || (link.OpMode.load() & ownBit) == 0)
    return;
  uint32_t done = link.DoneBefore.load() + fileSize;
  link.DoneBefore.store(done);
  link.TotalDone.store(done);
}

} // namespace

int DeviceLink::UploadFile(int memory, uint32_t fileIndex, uint32_t fileSize) {
  StartFile(*this, fileSize);
  int result = Entry.Upload(LibraryObject(), nullptr, memory,
                            static_cast<int>(fileIndex), nullptr);
  CountSuccess(*this, result, OM_UPLOAD, fileSize);
  return result;
}

int DeviceLink::DeleteDeviceFile(int memory, uint32_t fileIndex,
                                 uint32_t fileSize) {
  StartFile(*this, fileSize);
  int result = Entry.Delete(LibraryObject(), nullptr, memory,
                            static_cast<int>(fileIndex));
  CountSuccess(*this, result, OM_DELETE, fileSize);
  return result;
}

int DeviceLink::DownloadFile(int memory, const char *path, uint32_t fileSize) {
  SendSource source;
  if (!source.Prepare(path)) {
    StartFile(*this, fileSize);
    return -1;
  }
  return DownloadPrepared(memory, source, fileSize);
}

int DeviceLink::DownloadPrepared(int memory, const SendSource &source,
                                 uint32_t fileSize) {
  StartFile(*this, fileSize);
  if (!*source.LibraryPath())
    return -1;
  int result =
      Entry.Download(LibraryObject(), nullptr, memory, source.LibraryPath());
  if (result == 0)
    CountSuccess(*this, result, OM_DOWNLOAD, fileSize);
  else if (result == usbctrl::kMemoryFull)
    TotalDone.fetch_sub(fileSize);
  return result;
}

int DeviceLink::FormatMemory(int memory) {
  uint32_t now = GetTickCount();
  FileSize.store(TotalSize.load());
  FileStartTick.store(now);
  FileDone.store(0);
  if (OpStartTick.load() == 0) {
    OpStartTick.store(now);
    TotalDone.store(0);
  }
  usbctrl::NoArgFn format =
      memory == MEM_INTERNAL ? Entry.FormatInternal : Entry.FormatExternal;
  return format(LibraryObject(), nullptr);
}

int DeviceLink::MoveInPlayOrder(int memory, uint32_t fileIndex, int position) {
  return Entry.ChangeOrder(LibraryObject(), nullptr, memory,
                           static_cast<int>(fileIndex), position);
}

} // namespace davu
