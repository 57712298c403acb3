// The benchmark's transfers: the progress box's cost, the copy overhead
// against USB 1.1, and delete-all.
#include "bench/bench.h"

namespace bench {

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

} // namespace bench
