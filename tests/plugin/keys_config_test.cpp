// ProcessKey's table and the configuration dialog, through the real plug-in,
// the recording host and the real registry.
#include "tests/support/commands_fixture.h"

namespace commands_test {
namespace {

// --- keys

class KeysTest : public CommandsTest {
protected:
  void SetUp() override {
    CommandsTest::SetUp();
    Put(davu::MEM_INTERNAL, "a.mp3", "aa");
    Put(davu::MEM_INTERNAL, "b.mp3", "bb");
    Load();
    ASSERT_TRUE(host->SetCursor("b.mp3"));
    host->ClearRecords();
    ClearCalls();
  }
  std::string FirstBoxText() {
    Names texts = BoxTexts();
    return texts.empty() ? "<none>" : texts[0];
  }
};

TEST_F(KeysTest, ShiftF1AndF2MoveTheFile) {
  EXPECT_EQ(ShiftKey(VK_F1), 1);
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL), (Names{"b.mp3", "a.mp3"}));
  ASSERT_TRUE(host->SetCursor("b.mp3"));
  EXPECT_EQ(ShiftKey(VK_F2), 1);
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL), (Names{"a.mp3", "b.mp3"}));
}

TEST_F(KeysTest, ShiftF3AsksForThePlace) {
  EXPECT_EQ(ShiftKey(VK_F3), 1);
  ASSERT_EQ(host->Dialogs().size(), 1u);
  EXPECT_EQ(host->Dialogs()[0].helpTopic, "Changing_Order");
}

TEST_F(KeysTest, WholeMemoryKeysAskTheirQuestions) {
  struct Row {
    int key;
    int question;
  };
  const Row rows[] = {{VK_F5, 20}, {VK_F6, 21}, {VK_F7, 19}, {VK_F8, 22}};
  for (const Row &row : rows) {
    host->ClearRecords();
    host->QueueAnswer(-1);
    EXPECT_EQ(ShiftKey(row.key), 1) << row.key;
    EXPECT_EQ(FirstBoxText(), Msg(row.question)) << row.key;
  }
  // Declined every time: nothing went anywhere.
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL), (Names{"a.mp3", "b.mp3"}));
  EXPECT_TRUE(testing_support::ListFolder(pc.Path()).empty());
  ExpectCleanHost();
}

TEST_F(KeysTest, ShiftF9Reconnects) {
  EXPECT_EQ(ShiftKey(VK_F9), 1);
  ASSERT_FALSE(host->Messages().empty());
  EXPECT_EQ(host->Messages()[0].items.at(0), Msg(24));
  EXPECT_EQ(Calls("GetVersionInfo").size(), 1u);
}

TEST_F(KeysTest, PlainF7SwitchesTheMemory) {
  EXPECT_EQ(Key(VK_F7, 0), 1);
  EXPECT_EQ(session->Memory, davu::MEM_EXTERNAL);
  EXPECT_EQ(Key(VK_F7, 0), 1);
  EXPECT_EQ(session->Memory, davu::MEM_INTERNAL);
}

TEST_F(KeysTest, KeysNotTakenReachTheHost) {
  struct Press {
    int key;
    unsigned state;
  };
  std::vector<Press> presses = {
      {VK_F5, 0},
      {VK_F6, 0},
      {VK_F8, 0},
      {VK_F4, farapi::PKF_SHIFT},
      {VK_F5, farapi::PKF_SHIFT | farapi::PKF_CONTROL},
      {VK_F7, farapi::PKF_ALT},
      {VK_F7, farapi::PKF_CONTROL},
      {VK_F1, 0},
      {VK_F9, 0},
      {VK_F10, farapi::PKF_SHIFT},
      {VK_F11, farapi::PKF_SHIFT},
      {'A', farapi::PKF_SHIFT},
      {VK_F7, farapi::PKF_SHIFT | farapi::PKF_ALT},
  };
  for (unsigned state = 0; state < 8; ++state)
    presses.push_back({VK_F4, state});
  for (const Press &press : presses) {
    session->FindCancelled = 1;
    EXPECT_EQ(Key(press.key, press.state), 0)
        << press.key << " state " << press.state;
    EXPECT_EQ(session->FindCancelled, 0) << "cleared on every call";
  }
  EXPECT_TRUE(host->Messages().empty());
  EXPECT_TRUE(host->Dialogs().empty());
  EXPECT_TRUE(host->Controls().empty());
  EXPECT_EQ(session->Memory, davu::MEM_INTERNAL);
}

TEST_F(KeysTest, PlainF5GoesOnAsTheHostsCopy) {
  host->QueueAnswer(0);
  EXPECT_EQ(host->PressKey(VK_F5, 0), 0);
  EXPECT_TRUE(testing_support::FileExists(pc / "b.mp3"));
}

TEST_F(KeysTest, TakenKeyClearsFindCancelledToo) {
  session->FindCancelled = 1;
  EXPECT_EQ(Key(VK_F7, 0), 1);
  EXPECT_EQ(session->FindCancelled, 0);
}

// --- configuration dialog

// The plug-in reads the settings when it starts, so a test stores what it
// needs before its first Configure or menu request loads the plug-in.
class ConfigureTest : public CommandsTest {
protected:
  void Start() {
    if (!host)
      Load(false);
  }
  std::string KeyPath() { return registryRoot + "\\DAVU Manager\\"; }
  void StoreSetting(const char *name, const std::string &text) {
    ASSERT_TRUE(testing_support::WriteRegistryValue(KeyPath(), name, text));
  }
  // The stored text, or "<missing>".
  std::string Stored(const char *name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath().c_str(), 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS)
      return "<missing>";
    char buffer[4096] = {};
    DWORD size = sizeof buffer - 1;
    LONG result = RegQueryValueExA(key, name, nullptr, nullptr,
                                   reinterpret_cast<BYTE *>(buffer), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::string(buffer) : "<missing>";
  }
  // Runs Configure with the dialog closed by `result` after the edits.
  int Configure(int result, std::vector<farhost::DialogEdit> edits = {}) {
    farhost::DialogAnswer answer;
    answer.result = result;
    answer.edits = edits;
    Start();
    host->QueueDialog(answer);
    return host->Configure(0);
  }
  static farhost::DialogEdit Text(int item, const std::string &text) {
    farhost::DialogEdit edit;
    edit.item = item;
    edit.setData = true;
    edit.data = text;
    return edit;
  }
  static farhost::DialogEdit Check(int item, int selected) {
    farhost::DialogEdit edit;
    edit.item = item;
    edit.setSelected = true;
    edit.selected = selected;
    return edit;
  }
  farhost::DialogRecord LastDialog() { return host->Dialogs().back(); }
  farhost::PluginMenus Menus() {
    Start();
    farhost::PluginMenus menus;
    EXPECT_TRUE(host->GetPluginInfo(&menus));
    return menus;
  }
};

TEST_F(ConfigureTest, DialogShapeWithDefaults) {
  EXPECT_EQ(Configure(-1), 0);
  farhost::DialogRecord dialog = LastDialog();
  EXPECT_EQ(dialog.x1, -1);
  EXPECT_EQ(dialog.y1, -1);
  EXPECT_EQ(dialog.x2, 68);
  EXPECT_EQ(dialog.y2, 12);
  EXPECT_EQ(dialog.helpTopic, "Config");
  ASSERT_EQ(dialog.in.size(), 13u);
  const int types[13] = {3, 8, 6, 0, 0, 0, 0, 4, 0, 4, 0, 7, 7};
  const int messages[13] = {0, 2, -1, 3, -1, 4, 5, -1, 6, -1, -1, 44, 45};
  for (int i = 0; i < 13; ++i) {
    EXPECT_EQ(dialog.in[i].type, types[i]) << i;
    if (messages[i] >= 0) {
      EXPECT_EQ(dialog.in[i].data, Msg(messages[i])) << i;
    }
  }
  EXPECT_EQ(dialog.in[0].x1, 3);
  EXPECT_EQ(dialog.in[0].x2, 64);
  EXPECT_EQ(dialog.in[0].y2, 10);
  EXPECT_EQ(dialog.in[1].focus, 1);
  EXPECT_EQ(dialog.in[2].flags, static_cast<DWORD>(farapi::DIF_MASKEDIT));
  EXPECT_EQ(dialog.in[2].mask, "9");
  EXPECT_EQ(dialog.in[4].flags,
            static_cast<DWORD>(farapi::DIF_SEPARATOR | farapi::DIF_BOXCOLOR));
  EXPECT_EQ(dialog.in[7].x1, 32);
  EXPECT_EQ(dialog.in[7].x2, 62);
  EXPECT_EQ(dialog.in[11].flags, static_cast<DWORD>(farapi::DIF_CENTERGROUP));
  EXPECT_EQ(dialog.in[11].defaultButton, 1);
  EXPECT_EQ(dialog.in[12].defaultButton, 0);
  // Nothing stored: disk menu on, no hot key, the default lists.
  EXPECT_EQ(dialog.in[1].selected, 1);
  EXPECT_EQ(dialog.in[2].data, "");
  EXPECT_EQ(dialog.in[7].data, ".*;");
  EXPECT_EQ(dialog.in[9].data, ".mp3; .wma;");
}

TEST_F(ConfigureTest, StartsFromTheStoredValues) {
  StoreSetting("DiskMenu", "1");
  StoreSetting("DiskMenuHotKey", "57");
  StoreSetting("CurDirExt", ".ogg;");
  StoreSetting("SubDirExt", std::string(600, 'e'));
  EXPECT_EQ(Configure(-1), 0);
  farhost::DialogRecord dialog = LastDialog();
  EXPECT_EQ(dialog.in[1].selected, 1);
  EXPECT_EQ(dialog.in[2].data, "57"); // two characters at most
  EXPECT_EQ(dialog.in[7].data, ".ogg;");
  EXPECT_EQ(dialog.in[9].data, std::string(510, 'e'));
}

TEST_F(ConfigureTest, ConfirmingStoresEveryValueAndTheNextMenusFollow) {
  EXPECT_EQ(
      Configure(11, {Text(2, "7"), Text(7, ".MP3; .Ogg;"), Text(9, ".WAV;")}),
      1);
  EXPECT_EQ(Stored("DiskMenu"), "1");
  EXPECT_EQ(Stored("DiskMenuHotKey"), "7");
  EXPECT_EQ(Stored("CurDirExt"), ".mp3; .ogg;");
  EXPECT_EQ(Stored("SubDirExt"), ".wav;");
  farhost::PluginMenus menus = Menus();
  ASSERT_EQ(menus.diskMenu.size(), 1u);
  ASSERT_FALSE(menus.diskNumbersNull);
  EXPECT_EQ(menus.diskNumbers, (std::vector<int>{7}));
}

TEST_F(ConfigureTest, ClearingTheCheckBoxStoresTheEmptyText) {
  StoreSetting("DiskMenuHotKey", "3");
  EXPECT_EQ(Configure(11, {Check(1, 0)}), 1);
  EXPECT_EQ(Stored("DiskMenu"), "");
  EXPECT_TRUE(Menus().diskMenu.empty());
}

TEST_F(ConfigureTest, EmptyOrBlankHotKeyRemovesTheNumber) {
  StoreSetting("DiskMenuHotKey", "4");
  ASSERT_FALSE(Menus().diskNumbersNull) << "started with the stored key";
  EXPECT_EQ(Configure(11, {Text(2, " ")}), 1);
  EXPECT_EQ(Stored("DiskMenuHotKey"), "");
  farhost::PluginMenus menus = Menus();
  EXPECT_EQ(menus.diskMenu.size(), 1u);
  EXPECT_TRUE(menus.diskNumbersNull);

  EXPECT_EQ(Configure(11, {Text(2, "")}), 1);
  EXPECT_EQ(Stored("DiskMenuHotKey"), "");
  EXPECT_EQ(Configure(11, {Text(2, "x")}), 1);
  EXPECT_EQ(Stored("DiskMenuHotKey"), "");
  EXPECT_TRUE(Menus().diskNumbersNull);
}

TEST_F(ConfigureTest, DiskMenuOffClearsAStoredHotKey) {
  StoreSetting("DiskMenu", "");
  StoreSetting("DiskMenuHotKey", "5");
  EXPECT_EQ(Configure(11), 1);
  EXPECT_EQ(LastDialog().in[1].selected, 0);
  EXPECT_EQ(LastDialog().in[2].data, "") << "the field starts empty";
  EXPECT_EQ(Stored("DiskMenuHotKey"), "");
  EXPECT_EQ(Stored("DiskMenu"), "");
}

TEST_F(ConfigureTest, CancelByButtonOrEscapeChangesNothing) {
  StoreSetting("DiskMenuHotKey", "2");
  for (int result : {12, -1, 0, 5}) {
    EXPECT_EQ(Configure(result, {Check(1, 0), Text(2, "9"), Text(7, ".X;")}), 0)
        << result;
  }
  EXPECT_EQ(Stored("DiskMenu"), "<missing>");
  EXPECT_EQ(Stored("DiskMenuHotKey"), "2");
  EXPECT_EQ(Stored("CurDirExt"), "<missing>");
  farhost::PluginMenus menus = Menus();
  EXPECT_EQ(menus.diskMenu.size(), 1u);
  EXPECT_EQ(menus.diskNumbers, (std::vector<int>{2}));
}

TEST_F(ConfigureTest, NewListsApplyToTheNextCopyToThePlayer) {
  EXPECT_EQ(Configure(11, {Text(7, ".OGG;")}), 1);
  EXPECT_EQ(Stored("CurDirExt"), ".ogg;");
  HANDLE panel = host->OpenPlugin(farapi::OPEN_PLUGINSMENU);
  ASSERT_TRUE(host->PanelOpen());
  (void)panel;
  ASSERT_TRUE(host->SetPcFolder(Bare(pc)));
  ASSERT_TRUE(testing_support::WriteFileBytes(pc / "a.ogg", "o"));
  ASSERT_TRUE(testing_support::WriteFileBytes(pc / "b.mp3", "m"));
  host->RereadPc();
  ASSERT_TRUE(host->SelectPc("a.ogg", true));
  ASSERT_TRUE(host->SelectPc("b.mp3", true));
  host->QueueAnswer(0);
  EXPECT_EQ(host->CopyFromPc(false), 1);
  EXPECT_EQ(OnPlayer(davu::MEM_INTERNAL), (Names{"a.ogg"}));
}

} // namespace
} // namespace commands_test
