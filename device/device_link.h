// The one process-wide link to the player: the loaded USBCTRL.dll with its
// seventeen methods, its version text, the outcome of loading it, and the
// op-mode word and transfer counters of the running device operation.
//
// The progress thread reads and updates the counters and the op-mode word
// while the host's thread is inside a library call; each is an atomic word
// so that every read and write is whole and reaches the other thread.
#pragma once

#include "device/usbctrl_contract.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace davu {

enum : int32_t {
  LS_BOUND = 0,
  LS_NOLIBRARY = 1,
  LS_NOENTRYPOINT = 2,
};

enum : uint16_t {
  OM_LIST = 2,
  OM_DOWNLOAD = 4,
  OM_DELETE = 8,
  OM_UPLOAD = 16,
  OM_FORMAT = 32,
  OM_CANCELLED = 64,
  OM_QUIET = 128,
  // The host owns the screen and the keyboard (a copy for its file search
  // or quick view): no box is drawn and the console input is not read.
  OM_UNSEEN = 256,
};

enum : int32_t {
  MEM_INTERNAL = 0,
  MEM_EXTERNAL = 1,
};

// The library's methods in binding order.
struct DeviceEntryPoints {
  usbctrl::Constructor Constructor;
  usbctrl::SetProgressWindowFn SetProgressWindow;
  usbctrl::NoArgFn dumpUsbConfig;
  usbctrl::NoArgFn CheckSMCCard;
  usbctrl::GetVersionInfoFn GetVersionInfo;
  usbctrl::GetAvailMemoryFn GetAvailMemory;
  usbctrl::NoArgFn FormatInternal;
  usbctrl::NoArgFn FormatExternal;
  usbctrl::FindFn FindFirstInternal;
  usbctrl::FindFn FindNextInternal;
  usbctrl::FindFn FindFirstExternal;
  usbctrl::FindFn FindNextExternal;
  usbctrl::DownloadFn Download;
  usbctrl::DeleteFn Delete;
  usbctrl::UploadFn Upload;
  usbctrl::ChangeOrderFn ChangeOrder;
  usbctrl::SetCancelFlagFn SetCancelFlag;
};
static_assert(sizeof(DeviceEntryPoints) ==
                  usbctrl::kEntryPointCount * sizeof(void *),
              "one slot per export");

// The file the library reads for one send. The library takes the player's
// name from the path, so when the player spells the name otherwise it gets
// a copy under that spelling in the plug-in's private temporary folder; the
// user's file keeps its own name all the while.
class SendSource {
public:
  SendSource() = default;
  ~SendSource() { Release(); }
  SendSource(const SendSource &) = delete;
  SendSource &operator=(const SendSource &) = delete;
  // False when the file cannot be opened and read (another program holds
  // it, or it is gone) or when the copy cannot be made.
  bool Prepare(const char *path);
  const char *LibraryPath() const { return libraryPath_.c_str(); }
  // Removes the copy, and the private folder when it is empty.
  void Release();

private:
  std::string libraryPath_;
  bool copied_ = false;
};

// Removes the private folder of send copies with whatever a killed process
// left in it.
void RemoveSendCopies();

struct DeviceLink {
  // Never freed: the library stays loaded for the life of the process, as
  // FreeLibrary is not safe while the plug-in itself is being unloaded.
  HMODULE Module = nullptr;
  DeviceEntryPoints Entry = {};
  char VersionText[64] = {};
  int32_t LoadStage = LS_NOLIBRARY;
  std::atomic<uint16_t> OpMode{0};
  std::atomic<uint32_t> FileStartTick{0};
  std::atomic<uint32_t> FileSize{0};
  std::atomic<uint32_t> FileDone{0};
  std::atomic<uint32_t> OpStartTick{0};
  std::atomic<uint32_t> TotalSize{0};
  std::atomic<uint32_t> DoneBefore{0};
  std::atomic<uint32_t> TotalDone{0};

  // Binding and connection (the library is loaded from the plug-in's folder
  // only; the folder path ends in a backslash).
  void Bind(const char *pluginFolder);
  int Connect();
  // True when the player answers; the caller tells the user otherwise.
  bool CheckReady();
  int CheckCard();
  // Both convert the record's name to the PC code page in place; a name
  // that fills its whole field is cut at the field's end.
  int FindFirst(int memory, usbctrl::tagFILE_ENTRY *record);
  int FindNext(int memory, usbctrl::tagFILE_ENTRY *record);
  int SetProgressWindow(HWND window);
  int GetMemorySizes(int *internalTotal, int *internalFree, int *externalTotal,
                     int *externalFree);

  // One device operation at a time.
  void BeginOperation(uint16_t opMode, uint32_t totalSize);
  void EndOperation();
  // Called by the progress display on the progress thread.
  void CancelOperation();
  // OM_QUIET around a delete inside a download, each one atomic
  // read-modify-write so that a cancellation taken meanwhile survives.
  void AddQuiet();
  void RemoveQuiet();
  bool Cancelled() const { return (OpMode.load() & OM_CANCELLED) != 0; }

  // Per-file calls with their accounting. UploadFile returns the library's
  // result so that callers can tell a copied file from a failed one.
  int UploadFile(int memory, uint32_t fileIndex, uint32_t fileSize);
  int DownloadFile(int memory, const char *path, uint32_t fileSize);
  // The same for a source already prepared; -1 when it is not.
  int DownloadPrepared(int memory, const SendSource &source, uint32_t fileSize);
  int DeleteDeviceFile(int memory, uint32_t fileIndex, uint32_t fileSize);
  int FormatMemory(int memory);
  int MoveInPlayOrder(int memory, uint32_t fileIndex, int position);

  // The object the library's methods receive as `this`.
  void *LibraryObject();
};

// The process-wide link; created by SetStartupInfo.
DeviceLink &Device();

} // namespace davu
