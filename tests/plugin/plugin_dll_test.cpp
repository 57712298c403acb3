// The real DAVUman.dll under the substitute host: opening a panel and each
// of its failures, the menus from the stored settings, and the panel
// description. USBCTRL.dll is the spine's stand-in library.
#include "services/plugin_state.h"
#include "sim/farhost/host_core.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include <string>
#include <vector>

namespace {

// A panel title as the plug-in hands it over.
std::string Framed(const std::string &title) {
  return " " + title + " ";
}

using testing_support::TempDir;

std::string FakeLibrary(const char *variant) {
  return testing_support::BesideExe(variant);
}

class PluginDll : public ::testing::Test {
protected:
  void SetUp() override {
    root = testing_support::UniqueRegistryRoot("spine-dll");
    SetEnvironmentVariableA("SPINE_CONNECT_RESULT", nullptr);
    SetEnvironmentVariableA("SPINE_MEMORY", nullptr);
  }
  void TearDown() override {
    host.reset();
    testing_support::DeleteRegistryTree(root);
  }
  // Loads the plug-in from a fresh folder holding `library` as USBCTRL.dll
  // ("" for none).
  void Start(const std::string &library = FakeLibrary("spine_usbctrl_full.dll"),
             int structSize = 372) {
    ASSERT_TRUE(farhost::MakePluginFolder(folder.Path(), library));
    farhost::HostOptions options;
    options.rootKey = root;
    options.structSize = structSize;
    options.echoCalls = false;
    host.reset(new farhost::Host(options));
    std::string error;
    ASSERT_TRUE(host->Load(folder.Path(), &error)) << error;
    host->ClearRecords();
  }
  std::vector<std::string> Texts(std::initializer_list<int> ids) {
    std::vector<std::string> texts;
    for (int id : ids)
      texts.push_back(host->Language().messages.at(id));
    return texts;
  }
  void ExpectNotice(const farhost::MessageRecord &box,
                    std::initializer_list<int> ids) {
    EXPECT_EQ(box.flags, 1u);
    EXPECT_EQ(box.helpTopic, "Messages");
    EXPECT_EQ(box.items, Texts(ids));
    EXPECT_EQ(box.buttons, 1);
  }
  void ExpectConnectingBox(const farhost::MessageRecord &box) {
    EXPECT_EQ(box.flags, 0u);
    EXPECT_FALSE(box.hasHelp);
    EXPECT_EQ(box.items, Texts({24, 25}));
    EXPECT_EQ(box.buttons, 0);
  }
  void StoreSetting(const char *name, const char *value) {
    ASSERT_TRUE(testing_support::WriteRegistryValue(root + "\\DAVU Manager",
                                                    name, value));
  }

  std::string root;
  TempDir folder;
  std::unique_ptr<farhost::Host> host;
};

TEST_F(PluginDll, OpenFromOtherSourcesIsRefusedSilently) {
  Start();
  for (int openFrom : {2, 5, 6, 7}) {
    EXPECT_EQ(host->OpenPlugin(openFrom), INVALID_HANDLE_VALUE) << openFrom;
  }
  EXPECT_TRUE(host->Messages().empty());
  EXPECT_TRUE(host->Screens().empty());
  EXPECT_FALSE(host->PanelOpen());
}

TEST_F(PluginDll, ConnectedPlayerOpensAPanelOnTheInternalMemory) {
  Start();
  for (int openFrom : {0, 1, 3, 4}) {
    host->ClearRecords();
    HANDLE panel = host->OpenPlugin(openFrom);
    ASSERT_NE(panel, INVALID_HANDLE_VALUE) << openFrom;
    std::vector<farhost::MessageRecord> boxes = host->Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    ExpectConnectingBox(boxes[0]);
    std::vector<farhost::ScreenRecord> screens = host->Screens();
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_TRUE(screens[0].save);
    EXPECT_EQ(screens[0].x2, -1);
    EXPECT_EQ(screens[0].y2, -1);
    EXPECT_FALSE(screens[1].save);
    EXPECT_EQ(host->OpenScreens(), 0);
    const davu::PanelSession *session =
        static_cast<const davu::PanelSession *>(panel);
    EXPECT_EQ(session->Memory, 0);
    EXPECT_EQ(session->Options, 0u);
    EXPECT_EQ(session->FindCancelled, 0);
    EXPECT_EQ(host->Model().title, Framed(host->Language().messages[26]));
  }
  EXPECT_TRUE(host->Problems().empty());
}

TEST_F(PluginDll, OldHostIsWarnedOnEveryOpenAndServed) {
  Start(FakeLibrary("spine_usbctrl_full.dll"), 368);
  for (int attempt = 0; attempt < 2; ++attempt) {
    host->ClearRecords();
    EXPECT_NE(host->OpenPlugin(1), INVALID_HANDLE_VALUE);
    std::vector<farhost::MessageRecord> boxes = host->Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    ExpectNotice(boxes[0], {11, 23, 44});
    ExpectConnectingBox(boxes[1]);
  }
}

TEST_F(PluginDll, LibraryOnlyOutsideThePluginFolderIsNotLoaded) {
  TempDir elsewhere;
  ASSERT_TRUE(testing_support::CopyFileTo(FakeLibrary("spine_usbctrl_full.dll"),
                                          elsewhere / "USBCTRL.dll"));
  SetDllDirectoryA(elsewhere.Path().c_str());
  Start("");
  SetDllDirectoryA(nullptr);
  EXPECT_EQ(host->OpenPlugin(1), INVALID_HANDLE_VALUE);
  std::vector<farhost::MessageRecord> boxes = host->Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  ExpectNotice(boxes[0], {7, 8, 44});
  EXPECT_TRUE(host->Screens().empty()); // no connecting box
}

TEST_F(PluginDll, LibraryLackingOneExportIsReported) {
  Start(FakeLibrary("spine_usbctrl_missing.dll"));
  for (int attempt = 0; attempt < 2; ++attempt) {
    host->ClearRecords();
    EXPECT_EQ(host->OpenPlugin(0), INVALID_HANDLE_VALUE);
    std::vector<farhost::MessageRecord> boxes = host->Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    ExpectNotice(boxes[0], {7, 9, 44});
    EXPECT_TRUE(host->Screens().empty());
  }
}

TEST_F(PluginDll, ConnectWarningStillOpensThePanel) {
  SetEnvironmentVariableA("SPINE_CONNECT_RESULT", "6");
  Start();
  EXPECT_NE(host->OpenPlugin(1), INVALID_HANDLE_VALUE);
  std::vector<farhost::MessageRecord> boxes = host->Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  ExpectConnectingBox(boxes[0]);
  ExpectNotice(boxes[1], {11, 12, 44});
  EXPECT_EQ(host->OpenScreens(), 0);
  EXPECT_TRUE(host->PanelOpen());
}

TEST_F(PluginDll, FailedConnectOpensNothing) {
  SetEnvironmentVariableA("SPINE_CONNECT_RESULT", "1");
  Start();
  EXPECT_EQ(host->OpenPlugin(1), INVALID_HANDLE_VALUE);
  std::vector<farhost::MessageRecord> boxes = host->Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  ExpectConnectingBox(boxes[0]);
  ExpectNotice(boxes[1], {7, 10, 44});
  EXPECT_EQ(host->Screens().size(), 2u);
  EXPECT_EQ(host->OpenScreens(), 0);
  EXPECT_FALSE(host->PanelOpen());
}

// --- menus ------------------------------------------------------------------

TEST_F(PluginDll, MenusWithDefaultSettings) {
  Start();
  farhost::PluginMenus menus;
  ASSERT_TRUE(host->GetPluginInfo(&menus));
  EXPECT_EQ(menus.structSize, 44);
  EXPECT_EQ(menus.flags, 0u);
  EXPECT_EQ(menus.diskMenu, Texts({1}));
  EXPECT_TRUE(menus.diskNumbersNull);
  EXPECT_EQ(menus.pluginMenu, Texts({0}));
  EXPECT_EQ(menus.configMenu, Texts({0}));
  EXPECT_FALSE(menus.hasPrefix);
}

TEST_F(PluginDll, MenusWithHotKey) {
  StoreSetting("DiskMenu", "1");
  StoreSetting("DiskMenuHotKey", "7");
  Start();
  farhost::PluginMenus menus;
  ASSERT_TRUE(host->GetPluginInfo(&menus));
  EXPECT_EQ(menus.diskMenu, Texts({1}));
  ASSERT_FALSE(menus.diskNumbersNull);
  ASSERT_EQ(menus.diskNumbers.size(), 1u);
  EXPECT_EQ(menus.diskNumbers[0], 7);
}

TEST_F(PluginDll, DiskMenuOffHidesEntryAndHotKey) {
  StoreSetting("DiskMenu", "");
  StoreSetting("DiskMenuHotKey", "3");
  Start();
  farhost::PluginMenus menus;
  ASSERT_TRUE(host->GetPluginInfo(&menus));
  EXPECT_TRUE(menus.diskMenu.empty());
  EXPECT_TRUE(menus.diskNumbersNull);
  EXPECT_EQ(menus.pluginMenu, Texts({0}));
}

// --- panel description ------------------------------------------------------

TEST_F(PluginDll, InfoPanelOfAPlayerWithoutCard) {
  SetEnvironmentVariableA("SPINE_MEMORY", "16777216,1048576,0,0");
  Start();
  ASSERT_NE(host->OpenPlugin(1), INVALID_HANDLE_VALUE);
  const farhost::PanelModel &model = host->Model();
  EXPECT_EQ(model.flags, 284u);
  EXPECT_EQ(model.format, host->Language().messages[1]);
  EXPECT_EQ(model.curDir, "");
  EXPECT_EQ(model.startSortMode, 1);
  ASSERT_EQ(model.infoLines.size(), 10u);
  const int textIds[10] = {1, 28, 29, 30, 33, 34, 31, 32, 33, 34};
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(model.infoLines[i].text, host->Language().messages[textIds[i]])
        << i;
    EXPECT_EQ(model.infoLines[i].separator, i == 0 || i == 2 || i == 6) << i;
  }
  EXPECT_EQ(model.infoLines[0].data, "");
  EXPECT_EQ(model.infoLines[1].data, "Spine fake player 2.1");
  EXPECT_EQ(model.infoLines[2].data, "");
  EXPECT_EQ(model.infoLines[3].data, "16777216 (16.00 Mb)");
  EXPECT_EQ(model.infoLines[4].data, model.infoLines[3].data);
  EXPECT_EQ(model.infoLines[5].data, "0 (0.00 Mb)");
  EXPECT_EQ(model.infoLines[6].data, "");
  EXPECT_EQ(model.infoLines[7].data, "1048576 (1.00 Mb)");
  EXPECT_EQ(model.infoLines[9].data, "0 (0.00 Mb)");
}

TEST_F(PluginDll, FiguresAreUnsignedAndTheirSumsDoNotWrap) {
  // {slots, line, expected}: every figure as the unsigned value it is, the
  // two memories added beyond 32 bits.
  const struct {
    const char *memory;
    int line;
    const char *figure;
  } cases[] = {
      {"3000000000,0,2000000000,5", 4, "3000000000 (2861.02 Mb)"},
      {"3000000000,0,2000000000,5", 3, "5000000000 (4768.37 Mb)"},
      {"3000000000,0,2000000000,5", 7, "5 (0.00 Mb)"},
      {"2147483647,4294967295,2147483647,4294967295", 3,
       "4294967294 (4096.00 Mb)"},
      {"2147483647,4294967295,2147483647,4294967295", 8,
       "4294967295 (4096.00 Mb)"},
      {"2147483647,4294967295,2147483647,4294967295", 7,
       "8589934590 (8192.00 Mb)"},
  };
  Start();
  ASSERT_NE(host->OpenPlugin(1), INVALID_HANDLE_VALUE);
  for (const auto &c : cases) {
    SCOPED_TRACE(c.memory);
    // The library is asked on every redraw.
    SetEnvironmentVariableA("SPINE_MEMORY", c.memory);
    host->Redraw();
    ASSERT_EQ(host->Model().infoLines.size(), 10u);
    EXPECT_EQ(host->Model().infoLines[c.line].data, c.figure);
  }
}

TEST_F(PluginDll, TitleFollowsTheMemoryAndKeyBarLabelsItsKeys) {
  Start();
  HANDLE panel = host->OpenPlugin(1);
  ASSERT_NE(panel, INVALID_HANDLE_VALUE);
  const farhost::PanelModel &model = host->Model();
  // The host draws the title as given: a blank either side keeps it off
  // the frame.
  EXPECT_EQ(model.title, Framed(host->Language().messages[26]));
  static_cast<davu::PanelSession *>(panel)->Memory = 1;
  host->Redraw();
  EXPECT_EQ(host->Model().title, Framed(host->Language().messages[27]));
  static_cast<davu::PanelSession *>(panel)->Memory = 0;
  host->Redraw();
  EXPECT_EQ(host->Model().title, Framed(host->Language().messages[26]));

  const auto &bar = host->Model().keyBar;
  EXPECT_TRUE(bar[0][6].set);
  EXPECT_EQ(bar[0][6].text, host->Language().messages[35]);
  const int shiftKeys[] = {0, 1, 2, 4, 5, 6, 7, 8};
  for (int i = 0; i < 8; ++i) {
    EXPECT_TRUE(bar[3][shiftKeys[i]].set);
    EXPECT_EQ(bar[3][shiftKeys[i]].text, host->Language().messages[36 + i]);
  }
  EXPECT_TRUE(bar[3][10].set);
  EXPECT_EQ(bar[3][10].text, "");
  EXPECT_FALSE(bar[3][3].set);
  EXPECT_FALSE(bar[3][9].set);
  for (int group : {1, 2, 4, 5, 6}) {
    for (int key = 0; key < 12; ++key)
      EXPECT_FALSE(bar[group][key].set) << group << " " << key;
  }
  for (int key = 0; key < 12; ++key) {
    if (key != 6) {
      EXPECT_FALSE(bar[0][key].set) << key;
    }
  }
}

} // namespace
