// The whole-memory commands: delete-all, the format, the switch and the
// reconnect.
#include "tests/operations/whole_memory_fixture.h"

namespace commands_test {
namespace whole_memory {

TEST_F(WholeMemoryTest, DeleteAllWithConfigDatFirst) {
  Put(davu::MEM_INTERNAL, "Config.dat", "cfg");
  Put(davu::MEM_INTERNAL, "a.mp3", "a");
  Put(davu::MEM_INTERNAL, "b.mp3", "b");
  Put(davu::MEM_EXTERNAL, "c.mp3", "c");
  Put(davu::MEM_EXTERNAL, "Config.dat", "card");
  Load();
  host->QueueAnswer(kGoOn);
  EXPECT_EQ(ShiftKey(VK_F8), 1);
  std::vector<farhost::MessageRecord> boxes = host->Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].items, (Names{Msg(11), Msg(22), Msg(50), Msg(45)}));
  EXPECT_EQ(boxes[0].helpTopic, "Deleting");
  EXPECT_EQ(boxes[0].flags, static_cast<DWORD>(farapi::FMSG_WARNING));

  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL), (Names{"Config.dat"}));
  EXPECT_TRUE(OnPlayer(davu::MEM_EXTERNAL).empty());
  EXPECT_EQ(session->ItemCount, 4);
  EXPECT_EQ(Count("Delete"), 4);
  EXPECT_EQ(ProgressItemLines(),
            (Names{"Deleting(1 of 4): a.mp3", "Deleting(2 of 4): b.mp3",
                   "Deleting(3 of 4): c.mp3", "Deleting(4 of 4): Config.dat"}));
  EXPECT_EQ(Panel(), (Names{"..", "Config.dat"}));
  ExpectUpdatedAndRedrawn();
  ExpectCleanHost();
}

TEST_F(WholeMemoryTest, DeleteAllWithConfigDatInTheMiddle) {
  Put(davu::MEM_INTERNAL, "a.mp3", "a");
  Put(davu::MEM_INTERNAL, "Config.dat", "cfg");
  Put(davu::MEM_INTERNAL, "config.dat", "lower case is ordinary");
  Put(davu::MEM_INTERNAL, "b.mp3", "b");
  Load();
  host->QueueAnswer(kGoOn);
  EXPECT_EQ(ShiftKey(VK_F8), 1);
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL), (Names{"Config.dat"}));
  EXPECT_EQ(PlayerBytes(davu::MEM_INTERNAL, "Config.dat"), "cfg");
  EXPECT_EQ(session->ItemCount, 3);
}

TEST_F(WholeMemoryTest, DeleteAllOnEmptyMemories) {
  Load();
  host->QueueAnswer(kGoOn);
  EXPECT_EQ(ShiftKey(VK_F8), 1);
  EXPECT_EQ(session->ItemCount, 0);
  EXPECT_EQ(Count("Delete"), 0);
  EXPECT_EQ(Count("SetProgressWindow"), 1) << "the progress thread ran";
  std::vector<farhost::ScreenRecord> screens = host->Screens();
  ASSERT_EQ(screens.size(), 2u);
  EXPECT_TRUE(screens[0].save);
  EXPECT_FALSE(screens[1].save);
  ExpectUpdatedAndRedrawn();
  ExpectCleanHost();
}

TEST_F(WholeMemoryTest, DeleteAllEndsWhenTheLibraryRefusesAFile) {
  uint16_t stuck = Put(davu::MEM_INTERNAL, "stuck.mp3", "s");
  Put(davu::MEM_INTERNAL, "a.mp3", "a");
  uint16_t stuckCard = Put(davu::MEM_EXTERNAL, "card.mp3", "c");
  Put(davu::MEM_EXTERNAL, "b.mp3", "b");
  Fail("Delete", stuck);
  Fail("Delete", stuckCard);
  Load();
  host->QueueAnswer(kGoOn);
  EXPECT_EQ(ShiftKey(VK_F8), 1);
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL), (Names{"stuck.mp3"}));
  EXPECT_EQ(OnPlayer(davu::MEM_EXTERNAL), (Names{"card.mp3"}));
  EXPECT_EQ(Count("Delete"), 4) << "each refused file tried once";
  // Both refusals are told, in one box.
  ASSERT_FALSE(host->Boxes().empty());
  EXPECT_EQ(host->Boxes().back().items.size(), 5u);
  EXPECT_EQ(host->Boxes().back().items.at(2),
            "stuck.mp3 (" +
                host->Language().messages.at(davu::MSG_REASON_NO_ANSWER) + ")");
  ExpectUpdatedAndRedrawn();
  ExpectCleanHost();
}

TEST_F(WholeMemoryTest, EscapeDuringDeleteAllStopsAndUpdates) {
  for (const char *name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3"})
    Put(davu::MEM_INTERNAL, name, std::string(40, 'x'));
  Load();
  SlowTransfers();
  host->QueueAnswer(kGoOn);
  host->PressEscapeAtProgress(0);
  EXPECT_EQ(ShiftKey(VK_F8), 1);
  EXPECT_GE(OnPlayer(davu::MEM_INTERNAL).size(), 4u);
  EXPECT_EQ(Count("Delete"), 1);
  ExpectUpdatedAndRedrawn();
  ExpectCleanHost();
}

TEST_F(WholeMemoryTest, DeclinedDeleteAllChangesNothing) {
  Put(davu::MEM_INTERNAL, "a.mp3", "a");
  Load();
  host->QueueAnswer(1);
  EXPECT_EQ(ShiftKey(VK_F8), 1);
  host->QueueAnswer(kEscape);
  EXPECT_EQ(ShiftKey(VK_F8), 1);
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL), (Names{"a.mp3"}));
  EXPECT_TRUE(host->Controls().empty());
}

// --- format

TEST_F(WholeMemoryTest, FormatOfTheCardSendsNothing) {
  Put(davu::MEM_EXTERNAL, "a.mp3", "a");
  Put(davu::MEM_INTERNAL, "i.mp3", "i");
  ASSERT_TRUE(WriteFileBytes(pluginDir / "Config.dat", "config"));
  Load();
  ASSERT_EQ(Key(VK_F7, 0), 1);
  host->ClearRecords();
  ClearCalls();
  host->QueueAnswer(kGoOn);
  EXPECT_EQ(ShiftKey(VK_F7), 1);
  std::vector<farhost::MessageRecord> boxes = host->Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].items, (Names{Msg(11), Msg(19), Msg(51), Msg(45)}));
  EXPECT_EQ(boxes[0].helpTopic, "Formating");
  EXPECT_EQ(Count("FormatExternal"), 1);
  EXPECT_EQ(Count("FormatInternal"), 0);
  EXPECT_EQ(Count("Download"), 0);
  EXPECT_TRUE(OnPlayer(davu::MEM_EXTERNAL).empty());
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL), (Names{"i.mp3"}));
  for (const farhost::MessageRecord &box : host->ProgressBoxes()) {
    EXPECT_EQ(box.items.size(), 5u);
    EXPECT_EQ(box.items.at(0), "Format");
    EXPECT_EQ(box.items.at(1), "Formating External Memory");
  }
  ExpectUpdatedAndRedrawn();
  ExpectCleanHost();
}

TEST_F(WholeMemoryTest, FormatOfTheInternalMemoryRestoresConfigDat) {
  Put(davu::MEM_INTERNAL, "Config.dat", "old");
  Put(davu::MEM_INTERNAL, "a.mp3", "a");
  Put(davu::MEM_EXTERNAL, "b.mp3", "b");
  ASSERT_TRUE(WriteFileBytes(pluginDir / "Config.dat", "plug-in copy"));
  Load();
  SlowTransfers();
  host->QueueAnswer(kGoOn);
  host->PressEscapeAtProgress(0); // a format cannot be cancelled
  EXPECT_EQ(ShiftKey(VK_F7), 1);
  EXPECT_EQ(Count("FormatInternal"), 1);
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL), (Names{"Config.dat"}));
  EXPECT_EQ(PlayerBytes(davu::MEM_INTERNAL, "Config.dat"), "plug-in copy");
  EXPECT_EQ(OnPlayer(davu::MEM_EXTERNAL), (Names{"b.mp3"}));
  std::vector<farhost::MessageRecord> progress = host->ProgressBoxes();
  ASSERT_FALSE(progress.empty());
  for (const farhost::MessageRecord &box : progress) {
    EXPECT_EQ(box.items.size(), 5u) << "the format form, also while sending";
    EXPECT_EQ(box.items.at(1), "Formating Internal Memory");
  }
  EXPECT_EQ(Panel(), (Names{"..", "Config.dat"}));
  ExpectUpdatedAndRedrawn();
  ExpectCleanHost();
}

TEST_F(WholeMemoryTest, FormatOfTheInternalMemoryWithoutConfigDatToSend) {
  Put(davu::MEM_INTERNAL, "Config.dat", "old");
  Load();
  host->QueueAnswer(kGoOn);
  EXPECT_EQ(ShiftKey(VK_F7), 1);
  EXPECT_TRUE(OnPlayer(davu::MEM_INTERNAL).empty());
  EXPECT_EQ(Count("Download"), 0);
  ExpectCleanHost();
}

TEST_F(WholeMemoryTest, DeclinedFormatChangesNothing) {
  Put(davu::MEM_INTERNAL, "a.mp3", "a");
  Load();
  host->QueueAnswer(1);
  EXPECT_EQ(ShiftKey(VK_F7), 1);
  EXPECT_EQ(Count("FormatInternal"), 0);
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL), (Names{"a.mp3"}));
  EXPECT_TRUE(host->Screens().empty());
}

// --- memory switch

TEST_F(WholeMemoryTest, SwitchGoesToTheCardAndBack) {
  Put(davu::MEM_INTERNAL, "i.mp3", "i");
  Put(davu::MEM_EXTERNAL, "e.mp3", "e");
  Load();
  EXPECT_EQ(Key(VK_F7, 0), 1);
  EXPECT_EQ(session->Memory, davu::MEM_EXTERNAL);
  EXPECT_EQ(Panel(), (Names{"..", "e.mp3"}));
  ExpectUpdatedAndRedrawn();
  host->ClearRecords();
  EXPECT_EQ(Key(VK_F7, 0), 1);
  EXPECT_EQ(session->Memory, davu::MEM_INTERNAL);
  EXPECT_EQ(Panel(), (Names{"..", "i.mp3"}));
  ExpectUpdatedAndRedrawn();
  ExpectCleanHost();
}

TEST_F(WholeMemoryTest, SwitchWithoutACardSaysSoAndStays) {
  Put(davu::MEM_INTERNAL, "i.mp3", "i");
  Load();
  SetConfig([](simplayer::PlayerConfig *c) { c->cardAbsent = true; });
  EXPECT_EQ(Key(VK_F7, 0), 1);
  EXPECT_EQ(session->Memory, davu::MEM_INTERNAL);
  EXPECT_TRUE(host->Controls().empty());
  ASSERT_EQ(host->Messages().size(), 1u);
  EXPECT_EQ(host->Messages()[0].items.at(1),
            host->Language().messages.at(davu::MSG_NO_CARD));
}

TEST_F(WholeMemoryTest, SwitchReconnectsFirstWhenTheCardCheckAsks) {
  Put(davu::MEM_EXTERNAL, "e.mp3", "e");
  Load();
  SetConfig([](simplayer::PlayerConfig *c) {
    c->checkCardResult = 1;
    c->connectResult = 1; // not looked at
  });
  EXPECT_EQ(Key(VK_F7, 0), 1);
  std::vector<simplayer::CallRecord> calls = Calls();
  auto at = [&](const char *method) {
    return std::find_if(calls.begin(), calls.end(),
                        [&](const simplayer::CallRecord &call) {
                          return call.method == method;
                        }) -
           calls.begin();
  };
  ASSERT_LT(at("GetVersionInfo"), static_cast<long>(calls.size()));
  EXPECT_LT(at("CheckSMCCard"), at("GetVersionInfo"));
  EXPECT_LT(at("GetVersionInfo"), at("GetAvailMemory"));
  EXPECT_EQ(session->Memory, davu::MEM_EXTERNAL);
  EXPECT_TRUE(host->Boxes().empty());
}

// --- reconnect

TEST_F(WholeMemoryTest, ReconnectResults) {
  Put(davu::MEM_INTERNAL, "i.mp3", "i");
  Load();
  struct Case {
    int result;
    Names boxes; // second items of the boxes after the connecting box
    bool updated;
  };
  const Case cases[] = {
      {0, {}, true}, {6, {Msg(12)}, true}, {1, {Msg(10)}, false}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.result);
    simplayer::PlayerStore store = Store();
    store.config.connectResult = c.result;
    SaveStore(store);
    host->ClearRecords();
    EXPECT_EQ(ShiftKey(VK_F9), 1);
    std::vector<farhost::MessageRecord> messages = host->Messages();
    ASSERT_GE(messages.size(), 1u);
    EXPECT_EQ(messages[0].items, (Names{Msg(24), Msg(25)}));
    EXPECT_EQ(messages[0].buttons, 0);
    EXPECT_FALSE(messages[0].hasHelp);
    Names after;
    for (size_t i = 1; i < messages.size(); ++i) {
      after.push_back(messages[i].items.at(1));
      EXPECT_EQ(messages[i].helpTopic, "Messages");
      EXPECT_EQ(messages[i].flags, static_cast<DWORD>(farapi::FMSG_WARNING));
    }
    EXPECT_EQ(after, c.boxes);
    EXPECT_EQ(CountControls(farapi::FCTL_UPDATEPANEL), c.updated ? 1 : 0);
    std::vector<farhost::ScreenRecord> screens = host->Screens();
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[0].x2, -1);
    EXPECT_EQ(screens[0].y2, -1);
    // No ready check first: the connect is the first library call.
    std::vector<simplayer::CallRecord> calls = Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().method, "CUSBCTRL");
    ClearCalls();
    ExpectCleanHost();
  }
}

} // namespace whole_memory
} // namespace commands_test
