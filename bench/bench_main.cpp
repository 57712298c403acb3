// Measures the plug-in's own cost: the real DAVUman.dll in the substitute
// host, the stand-in library with its in-memory player (no disk I/O, no
// pacing), so that what is left is the plug-in's work, the host's services
// and the operating system's messages. Prints one line per figure with its
// value, target and ratio, then a summary; exits 1 when a target is missed.
//
//   davu_bench [--runs N] [--files N] [--full] [--plugin FOLDER]
//
// --plugin takes DAVUman.dll and its language files from another build's
// plug-in folder, to measure that build with this benchmark.
//
// Each figure is the median of N runs (5). The copy figures move --files
// files of 4 MB (500) at 64 KB chunks and a tenth of them at 4 KB unless
// --full is given: the ratio does not depend on the count, and half a
// million progress boxes take minutes.
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

namespace {

using simmemory::SharedBlock;

constexpr uint32_t kMegabyte = 1024 * 1024;
constexpr double kUsbBytesPerSecond = 1.0 * kMegabyte; // USB 1.1, in practice

int runs = 5;
bool full = false;
int copyFiles = 500;
std::string pluginBuild; // empty: this build's plug-in folder
int missed = 0, met = 0;

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / frequency.QuadPart;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The median of `runs` results of `run`, which gets the run number.
double MedianOf(const std::function<double(int)> &run) {
  std::vector<double> values;
  for (int i = 0; i < runs; ++i)
    values.push_back(run(i));
  return Median(values);
}

// One figure line. `target` 0: reported without a target.
void Figure(const char *name, double value, const char *unit, double target,
            bool atMost = true) {
  if (target <= 0) {
    printf("%-46s %12.3f %-7s %12s %8s\n", name, value, unit, "-", "-");
    return;
  }
  bool ok = atMost ? value <= target : value >= target;
  ok ? ++met : ++missed;
  printf("%-46s %12.3f %-7s %12.3f %7.2fx %s\n", name, value, unit, target,
         value / target, ok ? "ok" : "MISSED");
}

std::string Join(const std::string &folder, const std::string &name) {
  return folder + "\\" + name;
}

void Fail(const std::string &what) {
  fprintf(stderr, "davu_bench: %s\n", what.c_str());
  exit(2);
}

// Files of `size` bytes whose contents are never written (sparse where the
// file system allows): the in-memory player reads only their size.
void MakePcFiles(const std::string &folder, const char *format, int count,
                 uint32_t size) {
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
std::vector<farapi::PluginPanelItem> PcItems(const std::string &folder) {
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

void EmptyFolder(const std::string &folder) {
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

void RemoveTree(const std::string &folder) {
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

const char kMemoryPlayerName[] = "TRACK%05d.MP3";

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

bool Bench::Start(std::string *error) {
  player_ = Join(work_, "player");
  plugin_ = Join(work_, "plugin") + "\\";
  CreateDirectoryA(work_.c_str(), nullptr);
  CreateDirectoryA(player_.c_str(), nullptr);
  bool made =
      pluginBuild.empty()
          ? farhost::MakePluginFolder(plugin_)
          : farhost::MakePluginFolder(
                plugin_, farhost::ProgramFolder() + "USBCTRL.dll", pluginBuild);
  if (!made) {
    *error = "cannot make the plug-in folder " + plugin_;
    return false;
  }
  SetEnvironmentVariableA(simmemory::kSwitchVariable, "1");
  SetEnvironmentVariableA("DAVU_PLAYER", player_.c_str());
  block_ = simmemory::MapSharedBlock();
  if (!block_) {
    *error = "cannot share the in-memory player's block";
    return false;
  }
  Seed(0, 0, 65536);
  farhost::ConsoleInput(); // the plug-in polls a real console, as in FAR

  farhost::HostOptions options;
  options.rootKey = "Software\\DAVU Manager bench";
  options.progress = farhost::ProgressMode::Last;
  options.echoCalls = false;
  options.keepProgressRecords = false;
  host_.reset(new farhost::Host(options));
  if (!host_->Load(plugin_, error))
    return false;
  HMODULE library = GetModuleHandleA((plugin_ + "USBCTRL.dll").c_str());
  void *ready = library ? reinterpret_cast<void *>(GetProcAddress(
                              library, "?dumpUsbConfig@CUSBCTRL@@QAEHXZ"))
                        : nullptr;
  ready_ = reinterpret_cast<usbctrl::NoArgFn>(ready);
  if (!ready_) {
    *error = "the plug-in did not load the stand-in library";
    return false;
  }
  host_->OpenPlugin(farapi::OPEN_PLUGINSMENU);
  if (!host_->PanelOpen()) {
    *error = "the panel did not open";
    return false;
  }
  return true;
}

void Bench::Seed(int count, uint32_t size, uint32_t chunk) {
  simplayer::PlayerStore store;
  store.folder = player_ + "\\";
  store.memories[simplayer::kInternal].capacity = 0x7fff0000u;
  store.memories[simplayer::kExternal].capacity = 0;
  store.config.chunkSize = chunk;
  simplayer::FileTimes times =
      simplayer::SameTimes(simplayer::MakeDosStamp(2024, 5, 17, 12, 30, 10));
  std::vector<simplayer::StoredFile> &files =
      store.memories[simplayer::kInternal].files;
  for (int i = 1; i <= count; ++i) {
    char name[64];
    snprintf(name, sizeof name, kMemoryPlayerName, i);
    simplayer::StoredFile file;
    file.name = name;
    file.index = static_cast<uint16_t>(i);
    file.size = size;
    file.times = times;
    files.push_back(file);
  }
  store.memories[simplayer::kInternal].nextIndex =
      static_cast<uint16_t>(count + 1);
  std::string error;
  if (!simplayer::SaveStore(store, &error))
    Fail(error);
  InterlockedIncrement(&block_->generation);
  if (ready_)
    ready_(object_, nullptr); // the library reads the store now, untimed
  ZeroCalls();
}

void Bench::Listing() {
  double times[3] = {};
  const int counts[3] = {2000, 10000, 50000};
  for (int c = 0; c < 3; ++c) {
    Seed(counts[c], 1000, 65536);
    times[c] = MedianOf([&](int) {
      farapi::PluginPanelItem *items = nullptr;
      int count = 0;
      double start = Now();
      Api().GetFindData(Panel(), &items, &count, 0);
      double took = Now() - start;
      if (count != counts[c])
        Fail("the listing has " + std::to_string(count) + " items, not " +
             std::to_string(counts[c]));
      Api().FreeFindData(Panel(), items, count);
      return took * 1000;
    });
  }
  Figure("listing of 2,000 files", times[0], "ms", 5);
  Figure("listing of 10,000 files", times[1], "ms", 0);
  Figure("listing of 50,000 files (target 5x 10,000)", times[2], "ms",
         5 * times[1]);
}

double Bench::TimePut(const std::string &folder,
                      std::vector<farapi::PluginPanelItem> items) {
  SetCurrentDirectoryA(folder.c_str());
  double start = Now();
  int result =
      Api().PutFiles(Panel(), items.data(), static_cast<int>(items.size()), 0,
                     farapi::OPM_SILENT);
  double took = Now() - start;
  SetCurrentDirectoryA(work_.c_str());
  if (result != 1)
    Fail("PutFiles gave " + std::to_string(result));
  return took;
}

void Bench::DirectoryCalls() {
  // 100 files, ten of which are already on the player under the same name.
  const int sent = 100, same = 10;
  std::string folder = Join(work_, "send100");
  MakePcFiles(folder, "SEND%05d.MP3", sent - same, 1000);
  MakePcFiles(folder, kMemoryPlayerName, same, 1000);
  std::vector<farapi::PluginPanelItem> items = PcItems(folder);
  for (int files : {100, 1000, 5000}) {
    double calls = MedianOf([&](int) {
      Seed(files, 1000, 65536);
      TimePut(folder, items);
      return static_cast<double>(Directory());
    });
    char name[96];
    snprintf(name, sizeof name, "dir calls, %d files into %d (%.1f/file)", sent,
             files, calls / sent);
    Figure(name, calls, "calls", files + 2);
  }
  RemoveTree(folder);
}

// A window on a thread of its own that answers the progress message at
// once: the operating system's share of one sent message.
struct EchoWindow {
  HANDLE thread = nullptr;
  HWND window = nullptr;
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);

  static DWORD WINAPI Run(void *self) {
    EchoWindow &echo = *static_cast<EchoWindow *>(self);
    WNDCLASSA windowClass;
    memset(&windowClass, 0, sizeof windowClass);
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "DAVU_BENCH_ECHO";
    RegisterClassA(&windowClass);
    echo.window = CreateWindowA("DAVU_BENCH_ECHO", "", 0, 0, 0, 0, 0, nullptr,
                                nullptr, windowClass.hInstance, nullptr);
    SetEvent(echo.ready);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
      DispatchMessageA(&message);
    return 0;
  }
  EchoWindow() {
    thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    WaitForSingleObject(ready, 5000);
  }
  ~EchoWindow() {
    if (window)
      PostMessageA(window, WM_QUIT, 0, 0);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    CloseHandle(ready);
  }
};

// The host's two calls per box, made from a thread other than the host's
// as the progress thread makes them.
struct HostDrawing {
  const farapi::PluginStartupInfo *info;
  int count;
  double seconds = 0;
  static DWORD WINAPI Run(void *self) {
    HostDrawing &drawing = *static_cast<HostDrawing *>(self);
    char lines[8][180] = {
        "Download",
        "Downloading(1 of 1): BIG00001.MP3",
        "\x01",
        "Elapsed/remaining size          1048576 /    4194304         25%",
        "Elapsed/remaining time         00:00:01 /   00:00:03 1048576 b/sec",
        "\x01",
        "Total elapsed/remaining size    1048576 /    4194304         25%",
        "Total elapsed/remaining time   00:00:01 /   00:00:03 1048576 b/sec"};
    const char *items[8];
    for (int i = 0; i < 8; ++i)
      items[i] = lines[i];
    double start = Now();
    for (int i = 0; i < drawing.count; ++i) {
      drawing.info->Message(0, farapi::FMSG_LEFTALIGN, nullptr, items, 8, 0);
      drawing.info->Text(0, 0, 0, nullptr);
    }
    drawing.seconds = Now() - start;
    return 0;
  }
};

void Bench::ProgressCost() {
  const uint32_t chunk = 4096, size = 16 * kMegabyte;
  const int messages = size / chunk + 1;
  std::string folder = Join(work_, "progress");
  MakePcFiles(folder, "BIG%05d.MP3", 1, size);
  std::vector<farapi::PluginPanelItem> items = PcItems(folder);
  double whole = MedianOf([&](int) {
    Seed(0, 0, chunk);
    return TimePut(folder, items) / messages * 1e6;
  });
  RemoveTree(folder);

  const int n = 4000;
  EchoWindow echo;
  double send = MedianOf([&](int) {
    double start = Now();
    for (int i = 0; i < n; ++i)
      SendMessageA(echo.window, usbctrl::kProgressMessage, chunk, 0);
    return (Now() - start) / n * 1e6;
  });
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  double peek = MedianOf([&](int) {
    double start = Now();
    for (int i = 0; i < n; ++i) {
      INPUT_RECORD record;
      DWORD count = 0;
      PeekConsoleInputA(input, &record, 1, &count);
    }
    return (Now() - start) / n * 1e6;
  });
  double drawing = MedianOf([&](int) {
    HostDrawing draw{&host_->StartupInfo(), n};
    HANDLE thread =
        CreateThread(nullptr, 0, HostDrawing::Run, &draw, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return draw.seconds / n * 1e6;
  });
  Figure("progress message, whole cost", whole, "us", 0);
  Figure("  of it: SendMessage to another thread", send, "us", 0);
  Figure("  of it: PeekConsoleInputA", peek, "us", 0);
  Figure("  of it: host Message + Text", drawing, "us", 0);
  Figure("  of it: the plug-in's own", whole - send - peek - drawing, "us", 20);
}

void Bench::CopyOverhead() {
  const uint32_t size = 4 * kMegabyte;
  std::string source = Join(work_, "pc_source");
  std::string target = Join(work_, "pc_target");
  CreateDirectoryA(target.c_str(), nullptr);
  for (uint32_t chunk : {4096u, 65536u}) {
    int files =
        chunk == 4096u && !full ? std::max(1, copyFiles / 10) : copyFiles;
    RemoveTree(source);
    MakePcFiles(source, "SONG%05d.MP3", files, size);
    std::vector<farapi::PluginPanelItem> items = PcItems(source);
    double modelled = 2.0 * files * size / kUsbBytesPerSecond;
    double overhead = MedianOf([&](int) {
      Seed(0, 0, chunk);
      double down = TimePut(source, items);
      farapi::PluginPanelItem *listed = nullptr;
      int count = 0;
      Api().GetFindData(Panel(), &listed, &count, 0);
      if (count != files)
        Fail("the player holds " + std::to_string(count) + " files");
      char destination[4096];
      snprintf(destination, sizeof destination, "%s", target.c_str());
      double start = Now();
      int result = Api().GetFiles(Panel(), listed, count, 0, destination,
                                  farapi::OPM_SILENT);
      double up = Now() - start;
      Api().FreeFindData(Panel(), listed, count);
      SetCurrentDirectoryA(work_.c_str());
      if (result != 1)
        Fail("GetFiles gave " + std::to_string(result));
      EmptyFolder(target);
      return (down + up) / modelled * 100;
    });
    char name[96];
    snprintf(name, sizeof name, "copy %d x 4 MB both ways, %u KB chunks", files,
             chunk / 1024);
    Figure(name, overhead, "% USB", chunk == 65536u ? 1.0 : 0);
  }
  RemoveTree(source);
  RemoveTree(target);
}

void Bench::DeleteAll() {
  const int files = 2000;
  long calls = 0, walks = 0;
  double took = MedianOf([&](int) {
    Seed(files, 1000, 65536);
    double start = Now();
    Api().ProcessKey(Panel(), VK_F8, farapi::PKF_SHIFT);
    double seconds = Now() - start;
    calls = Directory();
    walks = block_->calls[simmemory::CALL_FIND_FIRST_INTERNAL] +
            block_->calls[simmemory::CALL_FIND_FIRST_EXTERNAL];
    farapi::PluginPanelItem *listed = nullptr;
    int count = 0;
    Api().GetFindData(Panel(), &listed, &count, 0);
    Api().FreeFindData(Panel(), listed, count);
    if (count != 0)
      Fail("delete-all left " + std::to_string(count) + " files");
    return seconds * 1000;
  });
  Figure("delete-all of 2,000 files", took, "ms", 0);
  // The counting pass and the delete pass each walk both memories once; the
  // panel's refresh afterwards lists the emptied internal memory.
  Figure("  walks begun (FindFirst calls)", static_cast<double>(walks), "calls",
         5);
  Figure("  dir calls", static_cast<double>(calls), "calls",
         2 * (files + 2) + 1);
}

void Bench::Run() {
  printf("%-46s %12s %-7s %12s %8s\n", "figure (median of runs)", "value", "",
         "target", "ratio");
  fflush(stdout);
  Listing();
  fflush(stdout);
  DirectoryCalls();
  fflush(stdout);
  ProgressCost();
  fflush(stdout);
  CopyOverhead();
  fflush(stdout);
  DeleteAll();
}

} // namespace

int main(int argc, char **argv) {
  for (int i = 1; i < argc; ++i) {
    if (!strcmp(argv[i], "--runs") && i + 1 < argc)
      runs = std::max(1, atoi(argv[++i]));
    else if (!strcmp(argv[i], "--files") && i + 1 < argc)
      copyFiles = std::max(1, atoi(argv[++i]));
    else if (!strcmp(argv[i], "--full"))
      full = true;
    else if (!strcmp(argv[i], "--plugin") && i + 1 < argc)
      pluginBuild = simplayer::WithTrailingBackslash(argv[++i]);
    else {
      fprintf(stderr, "usage: davu_bench [--runs N] [--files N] [--full] "
                      "[--plugin FOLDER]\n");
      return 2;
    }
  }
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  char work[MAX_PATH + 64];
  snprintf(work, sizeof work, "%sdavu_bench_%lu", temp,
           static_cast<unsigned long>(GetCurrentProcessId()));

  {
    Bench bench(work);
    std::string error;
    if (!bench.Start(&error)) {
      fprintf(stderr, "davu_bench: %s\n", error.c_str());
      return 2;
    }
    bench.Run();
  }
  SetCurrentDirectoryA(temp);
  RemoveTree(work);
  printf("summary: %d of %d targets met%s\n", met, met + missed,
         missed ? ", MISSED" : "");
  return missed ? 1 : 0;
}
