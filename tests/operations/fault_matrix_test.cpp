// Every operation that moves or deletes files, under every fault a user
// meets: the library failing one file, the player unplugged half-way, Escape
// in the middle, a PC file held open by another program, a full memory.
// One table of operations, one of faults, one checker of what must hold
// afterwards, whatever the cell.
#include "operations/failure_summary.h"
#include "services/messages.h"
#include "tests/support/plugin_fixture.h"

#include <algorithm>
#include <map>
#include <set>

namespace {

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

std::string Content(const std::string &name, const char *side) {
  std::string bytes = std::string(side) + ":" + name + ":";
  while (bytes.size() < kFileSize)
    bytes += static_cast<char>('a' + bytes.size() % 26);
  return bytes;
}

using Files = std::map<std::string, std::string>; // name -> bytes

Files ReadFolder(const std::string &folder) {
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
  Files PlayerFiles() {
    Files files;
    simplayer::PlayerStore store = plugin_fixture::ReadPlayer(Player());
    for (const simplayer::StoredFile &file :
         store.memories[simplayer::kInternal].files) {
      std::string bytes;
      simplayer::ReadContents(store, simplayer::kInternal, file.index, &bytes);
      files[file.name] = bytes;
    }
    return files;
  }
  // Where the units live on the PC side.
  std::string UnitFolder() const {
    return op.Direction == Side::ToPlayer && op.From == Source::Folder
               ? pcFolder + "album\\"
               : pcFolder;
  }

  void Arrange() {
    std::tie(op, fault) = GetParam();
    // The host is loaded first: the player's spellings come from its
    // language file.
    ASSERT_TRUE(
        plugin_fixture::LoadPlugin(registryRoot, pluginDir.Path(), &host));
    plugin_fixture::ChangePlayer(Player(), [](simplayer::PlayerStore &store) {
      store.config.chunkSize = kChunk;
    });
    if (op.Direction == Side::FromPlayer) {
      for (const char *unit : kUnits)
        ASSERT_TRUE(plugin_fixture::PutOnPlayer(
            Player(), simplayer::kInternal, DeviceSpelling(unit),
            Content(unit, "player"), simplayer::CurrentTimes()));
      ASSERT_TRUE(WriteThroughFileApis(pcFolder + kExisting,
                                       Content(kExisting, "old")));
    } else {
      if (op.From == Source::Folder) {
        ASSERT_TRUE(CreateDirectoryA(UnitFolder().c_str(), nullptr));
      }
      for (const char *unit : kUnits)
        ASSERT_TRUE(
            WriteThroughFileApis(UnitFolder() + unit, Content(unit, "pc")));
      if (op.From == Source::Playlist) {
        ASSERT_TRUE(WriteThroughFileApis(pcFolder + "list.m3u",
                                         std::string("#EXTM3U\r\n") +
                                             kUnits[0] + "\r\n" + kUnits[1] +
                                             "\r\n" + kUnits[2] + "\r\n"));
      }
      ASSERT_TRUE(plugin_fixture::PutOnPlayer(
          Player(), simplayer::kInternal, kExisting, Content(kExisting, "old"),
          simplayer::CurrentTimes()));
    }
    ASSERT_TRUE(plugin_fixture::OpenPanel(*host, &session));
    ASSERT_TRUE(host->SetPcFolder(Bare(pcFolder)));
    pcBefore = ReadFolder(UnitFolder());
    playerBefore = PlayerFiles();
    if (op.Direction == Side::FromPlayer)
      for (const char *unit : kUnits)
        ASSERT_TRUE(host->Select(unit, true)) << unit;
    else if (op.From == Source::Files)
      for (const char *unit : kUnits)
        ASSERT_TRUE(host->SelectPc(unit, true)) << unit;
    else
      ASSERT_TRUE(host->SelectPc(
          op.From == Source::Folder ? "album" : "list.m3u", true));
    InjectFault();
    simplayer::ClearCallLog(Player());
    host->ClearRecords();
  }

  const char *TransferMethod() const {
    if (op.How == Run::Delete || op.How == Run::DeleteAll)
      return "Delete";
    return op.Direction == Side::FromPlayer ? "Upload" : "Download";
  }

  void InjectFault() {
    switch (fault.Kind) {
    case Fault::LibraryFails:
    case Fault::StopsAnswering:
      plugin_fixture::ChangePlayer(Player(), [&](simplayer::PlayerStore &s) {
        simplayer::FailRule rule;
        rule.method = TransferMethod();
        rule.nth = kFaultyCall;
        rule.unplug = fault.Kind == Fault::StopsAnswering;
        s.config.failRules.push_back(rule);
      });
      break;
    case Fault::Escape:
      // The first progress box of the second file.
      host->PressEscapeAtProgress((kFileSize / kChunk + 1) * (kFaultyCall - 1) +
                                  1);
      break;
    case Fault::HeldOpen:
      held = CreateFileA((UnitFolder() + kExisting).c_str(), GENERIC_READ, 0,
                         nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(held, INVALID_HANDLE_VALUE);
      break;
    case Fault::MemoryFull:
      // Room for what is there and one file and a half.
      plugin_fixture::ChangePlayer(Player(), [&](simplayer::PlayerStore &s) {
        s.memories[simplayer::kInternal].capacity =
            simplayer::UsedSpace(s, simplayer::kInternal) + kFileSize * 3 / 2;
      });
      break;
    }
  }

  int Act() {
    const int confirm = op.KeepExisting ? 1 : 0;
    switch (op.How) {
    case Run::Panel:
      host->QueueAnswer(confirm);
      return host->CopyToPc(op.Move);
    case Run::Delete:
      host->QueueAnswer(0);
      return host->DeleteSelected();
    case Run::CopyAll:
    case Run::MoveAll:
      host->QueueAnswer(confirm);
      return host->PressKey(op.How == Run::CopyAll ? VK_F5 : VK_F6,
                            farapi::PKF_SHIFT);
    case Run::DeleteAll:
      host->QueueAnswer(0);
      return host->PressKey(VK_F8, farapi::PKF_SHIFT);
    case Run::Put:
      host->QueueAnswer(op.From == Source::Playlist ? 2 : 0);
      if (fault.Kind == Fault::MemoryFull)
        host->QueueAnswer(0); // go on although it does not all fit
      return host->CopyFromPc(op.Move);
    }
    return -2;
  }

  // The reason beside a unit that did not go. A send that failed after the
  // player's file of that name was deleted says that the old file is gone.
  std::string ReasonText(const std::string &unit) const {
    const auto &text = host->Language().messages;
    switch (fault.Kind) {
    case Fault::HeldOpen:
      return text.at(davu::MSG_REASON_IN_USE);
    case Fault::MemoryFull:
    default: {
      std::string reason =
          text.at(fault.Kind == Fault::MemoryFull ? davu::MSG_REASON_MEMORY_FULL
                                                  : davu::MSG_REASON_NO_ANSWER);
      if (op.Direction == Side::ToPlayer && unit == kExisting)
        reason += "; " + text.at(davu::MSG_REASON_OLD_REMOVED);
      return reason;
    }
    }
  }

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

  void Check(int result) {
    if (held != INVALID_HANDLE_VALUE) {
      CloseHandle(held);
      held = INVALID_HANDLE_VALUE;
    }
    const Files pcAfter = ReadFolder(UnitFolder());
    const Files playerAfter = PlayerFiles();
    const bool escape = fault.Kind == Fault::Escape;
    std::set<std::string> notWent;
    for (const char *unit : kUnits) {
      Outcome outcome = Judge(unit, pcAfter, playerAfter);
      EXPECT_TRUE(outcome.Intact) << "lost: " << unit;
      if (!outcome.Went)
        notWent.insert(unit);
    }

    // No partial file under a final name, no file left aside: every file
    // on either side is one the cell started with or a complete copy.
    std::set<std::string> allowedPc, allowedPlayer;
    for (const auto &file : pcBefore)
      allowedPc.insert(file.first + "=" + file.second);
    for (const auto &file : playerBefore)
      allowedPlayer.insert(file.first + "=" + file.second);
    for (const char *unit : kUnits) {
      allowedPc.insert(std::string(unit) + "=" + Content(unit, "player"));
      allowedPlayer.insert(DeviceSpelling(unit) + "=" + Content(unit, "pc"));
    }
    for (const auto &file : pcAfter)
      EXPECT_TRUE(allowedPc.count(file.first + "=" + file.second))
          << "stray or partial PC file " << file.first;
    for (const auto &file : playerAfter)
      EXPECT_TRUE(allowedPlayer.count(file.first + "=" + file.second))
          << "stray or partial player file " << file.first;
    // A replace that failed keeps the old PC file; a file held open keeps
    // the player's old file of that name too.
    if (op.Direction == Side::FromPlayer && notWent.count(kExisting)) {
      EXPECT_EQ(pcAfter.count(kExisting) ? pcAfter.at(kExisting) : "<gone>",
                Content(kExisting, "old"));
    }
    if (op.Direction == Side::ToPlayer && fault.Kind == Fault::HeldOpen) {
      EXPECT_EQ(playerAfter.count(kExisting) ? playerAfter.at(kExisting)
                                             : "<gone>",
                Content(kExisting, "old"));
    }

    // The fault took effect where it was put.
    const bool applies =
        fault.Kind != Fault::MemoryFull || op.Direction == Side::ToPlayer;
    const bool heldMatters =
        op.Direction == Side::ToPlayer ||
        (op.How != Run::Delete && op.How != Run::DeleteAll && !op.KeepExisting);
    if (fault.Kind == Fault::HeldOpen && !heldMatters) {
      EXPECT_TRUE(notWent.empty());
    } else if (applies) {
      EXPECT_FALSE(notWent.empty());
    } else
      EXPECT_TRUE(notWent.empty());
    // Only the failing file, or from it on, did not go. Under
    // keep-existing the PC's own B is kept, so C is the second file moved.
    const std::string second =
        op.Direction == Side::FromPlayer && op.KeepExisting ? kUnits[2]
                                                            : kUnits[1];
    if (fault.Kind == Fault::LibraryFails) {
      EXPECT_EQ(notWent, std::set<std::string>{second});
    }
    if (fault.Kind == Fault::StopsAnswering || escape) {
      EXPECT_TRUE(notWent.count(second));
      EXPECT_TRUE(notWent.count(kUnits[2]));
    }

    // The summary box names exactly what did not go, a user's
    // cancellation aside.
    std::vector<farhost::MessageRecord> summaries;
    const std::string title =
        host->Language().messages.at(davu::MSG_FAILED_TITLE);
    for (const farhost::MessageRecord &box : host->Boxes())
      if (!box.items.empty() && box.items[0] == title)
        summaries.push_back(box);
    if (escape || notWent.empty()) {
      EXPECT_TRUE(summaries.empty());
    } else {
      ASSERT_EQ(summaries.size(), 1u);
      const farhost::MessageRecord &box = summaries[0];
      EXPECT_EQ(box.flags, DWORD{farapi::FMSG_WARNING});
      EXPECT_EQ(box.buttons, 1);
      std::multiset<std::string> listed(box.items.begin() + 2,
                                        box.items.end() - 1),
          expected;
      for (const std::string &unit : notWent)
        expected.insert(davu::FailedNameLine(unit, ReasonText(unit).c_str()));
      EXPECT_EQ(listed, expected);
      EXPECT_EQ(
          box.items[1],
          davu::FailedCountLine(
              host->Language().messages.at(davu::MSG_FAILED_COUNT).c_str(),
              notWent.size(), 3));
    }

    // The result, and exactly the items that did not go left selected.
    if (op.How == Run::Panel || op.How == Run::Delete || op.How == Run::Put) {
      EXPECT_EQ(result, escape ? -1 : notWent.empty() ? 1 : 0);
    } else
      EXPECT_EQ(result, 1); // the key was handled
    std::set<std::string> selected;
    if (op.Direction == Side::FromPlayer && op.How != Run::Put) {
      if (op.How == Run::Panel || op.How == Run::Delete)
        for (const farhost::PanelEntry &entry : host->Model().entries)
          if (entry.Selected())
            selected.insert(entry.Name());
      // A player that stopped answering lists no file any more: the
      // panel is empty, and its selection has gone with its files.
      const auto &entries = host->Model().entries;
      const bool panelGone =
          std::none_of(entries.begin(), entries.end(),
                       [](const farhost::PanelEntry &e) { return !e.dots; });
      if (panelGone && !notWent.empty()) {
        EXPECT_EQ(fault.Kind, Fault::StopsAnswering);
      } else if (op.How == Run::Panel || op.How == Run::Delete) {
        EXPECT_EQ(selected, notWent);
      }
    } else {
      for (size_t i = 0; i < host->Pc().items.size(); ++i)
        if (host->Pc().selected[i])
          selected.insert(host->Pc().items[i].FindData.cFileName);
      if (op.From == Source::Files) {
        EXPECT_EQ(selected, notWent);
      } else
        EXPECT_EQ(selected.size(), notWent.empty() ? 0u : 1u);
    }

    // The frame is whole: screens balanced, no progress thread left.
    plugin_fixture::ExpectCleanHost(*host);
    int saves = 0, restores = 0;
    for (const farhost::ScreenRecord &screen : host->Screens())
      (screen.save ? saves : restores) += 1;
    EXPECT_EQ(saves, restores);
    EXPECT_EQ(testing_support::WindowsOfThisProcess("DAVU_CLASS"), 0);
    EXPECT_EQ(testing_support::ThreadsStartedIn(host->Module()), 0);
    if (!escape) {
      EXPECT_EQ(host->PendingAnswers(), 0u);
    }

    CheckStillWorking();
  }

  // With the fault gone, a listing and a one-file copy work.
  void CheckStillWorking() {
    plugin_fixture::ChangePlayer(Player(), [](simplayer::PlayerStore &s) {
      s.config.failRules.clear();
      s.config.unplugged = false;
      s.memories[simplayer::kInternal].capacity = 1000000;
    });
    ASSERT_TRUE(plugin_fixture::PutOnPlayer(Player(), simplayer::kInternal,
                                            "Z.mp3", "after the fault",
                                            simplayer::CurrentTimes()));
    host->Refresh(false);
    Names listed, stored;
    for (const farhost::PanelEntry &entry : host->Model().entries)
      if (!entry.dots)
        listed.push_back(DeviceSpelling(entry.Name()));
    for (const auto &file : PlayerFiles())
      stored.push_back(file.first);
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, stored);
    ASSERT_FALSE(host->Model().entries.empty());
    const farhost::PanelEntry &last = host->Model().entries.back();
    ASSERT_FALSE(last.dots);
    TempDir fresh;
    EXPECT_EQ(
        host->CallGetFiles({last.item}, false, Bare(fresh), farapi::OPM_SILENT),
        1);
    std::string bytes;
    EXPECT_TRUE(
        testing_support::ReadThroughFileApis(fresh / last.Name(), &bytes));
    EXPECT_EQ(bytes, PlayerFiles()[DeviceSpelling(last.Name())]);
  }

  Operation op{};
  FaultCase fault{};
  TempDir pluginDir, playerDir, pc;
  std::string pcFolder, registryRoot;
  std::unique_ptr<farhost::Host> host;
  davu::PanelSession *session = nullptr;
  HANDLE held = INVALID_HANDLE_VALUE;
  Files pcBefore, playerBefore;
};

TEST_P(FaultMatrix, NothingLostNothingSilent) {
  Arrange();
  if (HasFatalFailure())
    return;
  Check(Act());
}

std::string CellName(
    const ::testing::TestParamInfo<std::tuple<Operation, FaultCase>> &info) {
  return std::string(std::get<0>(info.param).Name) + "_" +
         std::get<1>(info.param).Name;
}

INSTANTIATE_TEST_SUITE_P(Cells, FaultMatrix,
                         ::testing::Combine(::testing::ValuesIn(kOperations),
                                            ::testing::ValuesIn(kFaults)),
                         CellName);

} // namespace
