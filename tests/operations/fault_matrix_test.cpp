// Every operation that moves or deletes files, under every fault a user
// meets: the library failing one file, the player unplugged half-way, Escape
// in the middle, a PC file held open by another program, a full memory.
// One table of operations, one of faults, one checker of what must hold
// afterwards, whatever the cell.
#include "tests/operations/fault_matrix.h"

namespace fault_matrix {

void FaultMatrix::Check(int result) {
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
  const std::string second = op.Direction == Side::FromPlayer && op.KeepExisting
                                 ? kUnits[2]
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
    EXPECT_EQ(box.items[1],
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

void FaultMatrix::CheckStillWorking() {
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

} // namespace fault_matrix
