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
#include "bench/bench.h"

namespace bench {

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

void Bench::DirectoryCalls() {
  // 100 files, ten of which are already on the player under the same name
  // (the first ten of its play order).
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
    // One walk for the same-name check, and one more at the end, for the
    // replacing files to take the places of the files they replaced in the
    // play order.
    Figure(name, calls, "calls", (files + 2) + (files - same + sent + 1));
  }
  RemoveTree(folder);
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

} // namespace bench

using namespace bench;

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
