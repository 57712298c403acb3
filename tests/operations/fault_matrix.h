// The fault matrix: its tables of operations and faults, and the fixture
// that arranges one cell, acts and checks what must hold.
#pragma once

#include "operations/failure_summary.h"
#include "services/messages.h"
#include "tests/support/plugin_fixture.h"

#include <algorithm>
#include <map>
#include <set>

namespace fault_matrix {

using testing_support::WriteThroughFileApis;

using plugin_fixture::Bare;
using plugin_fixture::Names;
using testing_support::TempDir;

enum class Side { FromPlayer, ToPlayer };
enum class Run { Panel, CopyAll, MoveAll, DeleteAll, Delete, Put };
enum class Source { Files, Folder, Playlist };

struct Operation {
  const char *Name;
  Side Direction;
  Run How;
  bool Move;
  bool KeepExisting;
  Source From; // copies to the player
};

const Operation kOperations[] = {
    {"CopyFromPlayer", Side::FromPlayer, Run::Panel, false, false, {}},
    {"CopyFromPlayerKeep", Side::FromPlayer, Run::Panel, false, true, {}},
    {"MoveFromPlayer", Side::FromPlayer, Run::Panel, true, false, {}},
    {"MoveFromPlayerKeep", Side::FromPlayer, Run::Panel, true, true, {}},
    {"CopyAll", Side::FromPlayer, Run::CopyAll, false, false, {}},
    {"MoveAll", Side::FromPlayer, Run::MoveAll, true, false, {}},
    {"Delete", Side::FromPlayer, Run::Delete, true, false, {}},
    {"DeleteAll", Side::FromPlayer, Run::DeleteAll, true, false, {}},
    {"CopyFiles", Side::ToPlayer, Run::Put, false, false, Source::Files},
    {"MoveFiles", Side::ToPlayer, Run::Put, true, false, Source::Files},
    {"CopyFolder", Side::ToPlayer, Run::Put, false, false, Source::Folder},
    {"MoveFolder", Side::ToPlayer, Run::Put, true, false, Source::Folder},
    {"CopyPlaylist", Side::ToPlayer, Run::Put, false, false, Source::Playlist},
    {"MovePlaylist", Side::ToPlayer, Run::Put, true, false, Source::Playlist},
};

enum class Fault { LibraryFails, StopsAnswering, Escape, HeldOpen, MemoryFull };

struct FaultCase {
  const char *Name;
  Fault Kind;
};

const FaultCase kFaults[] = {
    {"LibraryFailsSecondFile", Fault::LibraryFails},
    {"PlayerStopsAnsweringAtSecondFile", Fault::StopsAnswering},
    {"EscapeInSecondFile", Fault::Escape},
    {"PcFileHeldOpen", Fault::HeldOpen},
    {"MemoryFull", Fault::MemoryFull},
};

// Three files; the third has a name the player spells otherwise, so that
// its way goes through the player's spelling. "B.mp3" exists on the other
// side beforehand, and it is the file a fault holds open.
const char *const kUnits[] = {"A.mp3", "B.mp3", "C\x82t\x82.mp3"};
const char kExisting[] = "B.mp3";
constexpr uint32_t kFileSize = 3000;
constexpr uint32_t kChunk = 1000; // progress messages per file: 3 + the end
constexpr int kFaultyCall = 2;

inline std::string Content(const std::string &name, const char *side) {
  std::string bytes = std::string(side) + ":" + name + ":";
  while (bytes.size() < kFileSize)
    bytes += static_cast<char>('a' + bytes.size() % 26);
  return bytes;
}

using Files = std::map<std::string, std::string>; // name -> bytes

inline Files ReadFolder(const std::string &folder) {
  Files files;
  for (const std::string &name : testing_support::ListFolder(folder)) {
    std::string bytes;
    if (testing_support::ReadThroughFileApis(folder + name, &bytes))
      files[name] = bytes;
    else
      files[name] = "<folder or unreadable>";
  }
  return files;
}

class FaultMatrix
    : public ::testing::TestWithParam<std::tuple<Operation, FaultCase>> {
protected:
  void SetUp() override {
    ASSERT_TRUE(farhost::MakePluginFolder(pluginDir.Path()));
    registryRoot = testing_support::UniqueRegistryRoot("faults");
    ASSERT_TRUE(plugin_fixture::StartPlayer(Bare(playerDir), 1000000, 0));
    pcFolder = pc.Path();
  }
  void TearDown() override {
    if (held != INVALID_HANDLE_VALUE)
      CloseHandle(held);
    host.reset();
    plugin_fixture::StopPlayer();
    testing_support::DeleteRegistryTree(registryRoot);
  }

  std::string Player() const { return Bare(playerDir); }
  // The player's spelling of a PC name, by the language file's table.
  std::string DeviceSpelling(const std::string &name) const {
    return plugin_fixture::DeviceSpelling(*host, name);
  }
  Files PlayerFiles();
  // Where the units live on the PC side.
  std::string UnitFolder() const {
    return op.Direction == Side::ToPlayer && op.From == Source::Folder
               ? pcFolder + "album\\"
               : pcFolder;
  }

  void Arrange();

  const char *TransferMethod() const;

  void InjectFault();

  int Act();

  // The reason beside a unit that did not go. A send that failed after the
  // player's file of that name was deleted says that the old file is gone.
  std::string ReasonText(const std::string &unit) const;

  // What became of one unit, read from both sides.
  struct Outcome {
    bool Went = false;   // where the operation was to put it (or kept)
    bool Intact = false; // nothing of it lost
  };
  Outcome Judge(const std::string &unit, const Files &pcAfter,
                const Files &playerAfter) const {
    const std::string onPlayer = DeviceSpelling(unit);
    const std::string playerBytes = op.Direction == Side::FromPlayer
                                        ? Content(unit, "player")
                                        : Content(unit, "pc");
    auto has = [](const Files &files, const std::string &name,
                  const std::string &bytes) {
      auto found = files.find(name);
      return found != files.end() && found->second == bytes;
    };
    Outcome outcome;
    if (op.How == Run::Delete || op.How == Run::DeleteAll) {
      outcome.Went = !playerAfter.count(onPlayer);
      outcome.Intact = outcome.Went || has(playerAfter, onPlayer, playerBytes);
      return outcome;
    }
    if (op.Direction == Side::FromPlayer) {
      const bool kept = op.KeepExisting && unit == std::string(kExisting) &&
                        has(pcAfter, unit, Content(unit, "old"));
      const bool arrived = has(pcAfter, unit, playerBytes);
      const bool left = !playerAfter.count(onPlayer);
      outcome.Went = kept || (arrived && (!op.Move || left));
      outcome.Intact = arrived || has(playerAfter, onPlayer, playerBytes);
      return outcome;
    }
    const bool arrived = has(playerAfter, onPlayer, playerBytes);
    const bool left = !pcAfter.count(unit);
    outcome.Went = arrived && (!op.Move || left);
    outcome.Intact = arrived || has(pcAfter, unit, playerBytes);
    return outcome;
  }

  void Check(int result);

  // With the fault gone, a listing and a one-file copy work.
  void CheckStillWorking();

  Operation op{};
  FaultCase fault{};
  TempDir pluginDir, playerDir, pc;
  std::string pcFolder, registryRoot;
  std::unique_ptr<farhost::Host> host;
  davu::PanelSession *session = nullptr;
  HANDLE held = INVALID_HANDLE_VALUE;
  Files pcBefore, playerBefore;
};

} // namespace fault_matrix
