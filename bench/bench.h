// What the benchmark's parts share: its settings, the figure lines, PC
// files to send, and the Bench that drives the plug-in.
#pragma once

#include "device/usbctrl_contract.h"
#include "host/far_api.h"
#include "sim/farhost/host_core.h"
#include "sim/usbctrl/memory_player.h"
#include "sim/usbctrl/player_store.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace bench {

using simmemory::SharedBlock;

constexpr uint32_t kMegabyte = 1024 * 1024;
constexpr double kUsbBytesPerSecond = 1.0 * kMegabyte; // USB 1.1, in practice

inline int runs = 5;
inline bool full = false;
inline int copyFiles = 500;
inline std::string pluginBuild; // empty: this build's plug-in folder
inline int missed = 0, met = 0;

inline double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / frequency.QuadPart;
}

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The median of `runs` results of `run`, which gets the run number.
inline double MedianOf(const std::function<double(int)> &run) {
  std::vector<double> values;
  for (int i = 0; i < runs; ++i)
    values.push_back(run(i));
  return Median(values);
}

// One figure line. `target` 0: reported without a target.
inline void Figure(const char *name, double value, const char *unit,
                   double target, bool atMost = true) {
  if (target <= 0) {
    printf("%-46s %12.3f %-7s %12s %8s\n", name, value, unit, "-", "-");
    return;
  }
  bool ok = atMost ? value <= target : value >= target;
  ok ? ++met : ++missed;
  printf("%-46s %12.3f %-7s %12.3f %7.2fx %s\n", name, value, unit, target,
         value / target, ok ? "ok" : "MISSED");
}

inline std::string Join(const std::string &folder, const std::string &name) {
  return folder + "\\" + name;
}

inline void Fail(const std::string &what) {
  fprintf(stderr, "davu_bench: %s\n", what.c_str());
  exit(2);
}

// Files of `size` bytes whose contents are never written (sparse where the
// file system allows): the in-memory player reads only their size.
inline void MakePcFiles(const std::string &folder, const char *format,
                        int count, uint32_t size) {
  CreateDirectoryA(folder.c_str(), nullptr);
  for (int i = 1; i <= count; ++i) {
    char name[64];
    snprintf(name, sizeof name, format, i);
    HANDLE file =
        CreateFileA(Join(folder, name).c_str(), GENERIC_WRITE, 0, nullptr,
                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
      Fail("cannot create " + Join(folder, name));
    LARGE_INTEGER length;
    length.QuadPart = size;
    SetFilePointerEx(file, length, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
  }
}

// The folder's files as the host hands them to PutFiles.
inline std::vector<farapi::PluginPanelItem> PcItems(const std::string &folder) {
  std::vector<farapi::PluginPanelItem> items;
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(Join(folder, "*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE)
    return items;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      continue;
    farapi::PluginPanelItem item;
    memset(&item, 0, sizeof item);
    item.FindData.dwFileAttributes = data.dwFileAttributes;
    item.FindData.nFileSizeLow = data.nFileSizeLow;
    snprintf(item.FindData.cFileName, sizeof item.FindData.cFileName, "%s",
             data.cFileName);
    items.push_back(item);
  } while (FindNextFileA(search, &data));
  FindClose(search);
  return items;
}

inline void EmptyFolder(const std::string &folder) {
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(Join(folder, "*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE)
    return;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      DeleteFileA(Join(folder, data.cFileName).c_str());
  } while (FindNextFileA(search, &data));
  FindClose(search);
}

inline void RemoveTree(const std::string &folder) {
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(Join(folder, "*").c_str(), &data);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = data.cFileName;
      if (name == "." || name == "..")
        continue;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(Join(folder, name));
      else
        DeleteFileA(Join(folder, name).c_str());
    } while (FindNextFileA(search, &data));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

inline constexpr char kMemoryPlayerName[] = "TRACK%05d.MP3";

class Bench {
public:
  explicit Bench(const std::string &work) : work_(work) {}
  bool Start(std::string *error);
  void Listing();
  void DirectoryCalls();
  void ProgressCost();
  void CopyOverhead();
  void DeleteAll();
  void Run();

private:
  // A player with `count` files of `size` bytes on the internal memory, read
  // by the library at once; the call counters start from zero.
  void Seed(int count, uint32_t size, uint32_t chunk);
  void ZeroCalls() {
    for (int i = 0; i < simmemory::CALL_METHOD_COUNT; ++i)
      block_->calls[i] = 0;
  }
  long Directory() const { return simmemory::DirectoryCalls(*block_); }
  HANDLE Panel() const { return host_->Panel(); }
  const farhost::Host::Exports &Api() const { return host_->Api(); }
  double TimePut(const std::string &folder,
                 std::vector<farapi::PluginPanelItem> items);

  std::string work_, player_, plugin_;
  std::unique_ptr<farhost::Host> host_;
  SharedBlock *block_ = nullptr;
  usbctrl::NoArgFn ready_ = nullptr;
  char object_[4096] = {};
};

} // namespace bench
