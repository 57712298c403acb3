// The host core: its panel model, escapes and transfers.
#include "tests/sim/farhost/host_core_fixture.h"

using namespace host_core;

TEST(HostPanel, UpdateFreesEveryListingOnce) {
  LoadedProbe p;
  auto live = Probe<int(WINAPI *)()>(p.host, "ProbeLiveArrays");
  auto freed = Probe<int(WINAPI *)()>(p.host, "ProbeFreedArrays");
  ASSERT_NE(p.host.OpenPlugin(farapi::OPEN_DISKMENU), INVALID_HANDLE_VALUE);
  // As FAR: the host copies each listing and frees the array at once.
  EXPECT_EQ(live(), 0);
  EXPECT_EQ(freed(), 1);
  p.host.Select("a.mp3", true);
  p.host.PressKey('U', 0);
  p.host.PressKey('U', 0);
  p.host.Refresh(false);
  EXPECT_EQ(live(), 0);
  EXPECT_EQ(freed(), 4);
  EXPECT_EQ(p.host.FindDataFreed(), 4);
  EXPECT_EQ(p.host.FindDataOutstanding(), 0);
  EXPECT_TRUE(p.host.Problems().empty());
  std::vector<farhost::ControlRecord> controls = p.host.Controls();
  ASSERT_EQ(controls.size(), 4u);
  EXPECT_EQ(controls[0].command, farapi::FCTL_UPDATEPANEL);
  EXPECT_EQ(controls[0].param, "keep selection");
  EXPECT_EQ(controls[1].command, farapi::FCTL_REDRAWPANEL);
}

TEST(HostPanel, ModelKeepsDotsOrderSelectionAndCursor) {
  LoadedProbe p;
  ASSERT_NE(p.host.OpenPlugin(farapi::OPEN_DISKMENU), INVALID_HANDLE_VALUE);
  const farhost::PanelModel &m = p.host.Model();
  ASSERT_EQ(m.entries.size(), 4u);
  EXPECT_TRUE(m.entries[0].dots);
  EXPECT_EQ(m.entries[1].Name(), "b.mp3"); // unsorted: the plug-in's order
  EXPECT_EQ(m.sortMode, farapi::SM_UNSORTED);
  EXPECT_EQ(m.title, "Probe panel");
  ASSERT_EQ(m.infoLines.size(), 2u);
  EXPECT_EQ(m.infoLines[1].data, "3");
  EXPECT_TRUE(m.keyBar[0][6].set);
  EXPECT_EQ(m.keyBar[0][6].text, "Memory");
  EXPECT_TRUE(m.keyBar[3][10].set);
  EXPECT_EQ(m.keyBar[3][10].text, "");
  EXPECT_FALSE(m.keyBar[1][0].set);

  EXPECT_FALSE(p.host.SelectIndex(0, true)); // never the parent entry
  ASSERT_TRUE(p.host.Select("c.mp3", true));
  ASSERT_TRUE(p.host.SetCursor("a.mp3"));
  p.host.PressKey('G', 0);
  const farapi::PanelInfo *info =
      Probe<const farapi::PanelInfo *(WINAPI *)()>(p.host, "ProbePanel")();
  EXPECT_EQ(info->ItemsNumber, 4);
  EXPECT_STREQ(info->PanelItems[0].FindData.cFileName, "..");
  EXPECT_EQ(info->PanelItems[3].Flags & farapi::PPIF_SELECTED,
            farapi::PPIF_SELECTED);
  EXPECT_EQ(info->PanelItems[2].UserData, 11u);
  EXPECT_EQ(info->CurrentItem, 2);
  EXPECT_EQ(info->SelectedItemsNumber, 1);
  EXPECT_EQ(info->SortMode, farapi::SM_UNSORTED);
  EXPECT_EQ(info->Plugin, 1);

  p.host.PressKey('N', 0);
  EXPECT_EQ(m.sortMode, farapi::SM_NAME);
  EXPECT_EQ(m.entries[1].Name(), "a.mp3");
  EXPECT_EQ(m.entries[m.cursor].Name(), "a.mp3"); // cursor follows its file
  p.host.PressKey('U', 0);                        // keeps the selection by name
  EXPECT_EQ(m.entries.size(), 5u);
  EXPECT_TRUE(m.entries[3].Selected());
  EXPECT_EQ(m.entries[3].Name(), "c.mp3");
  p.host.PressKey('R', 0);
  EXPECT_EQ(m.cursor, 2);
}

TEST(HostPanel, OtherPanelIsAFolderOfThePc) {
  LoadedProbe p;
  TempDir pc;
  ASSERT_TRUE(WriteFileBytes(pc / "one.mp3", "12345"));
  ASSERT_TRUE(CreateDirectoryA((pc / "sub").c_str(), nullptr));
  ASSERT_TRUE(p.host.SetPcFolder(pc.Path()));
  ASSERT_EQ(p.host.Pc().items.size(), 2u);
  EXPECT_STREQ(p.host.Pc().items[0].FindData.cFileName, "sub");
  EXPECT_TRUE(p.host.SelectPc("one.mp3", true));
  ASSERT_NE(p.host.OpenPlugin(farapi::OPEN_DISKMENU), INVALID_HANDLE_VALUE);
  p.host.PressKey('A', 0);
  const farapi::PanelInfo *info =
      Probe<const farapi::PanelInfo *(WINAPI *)()>(p.host, "ProbePanel")();
  std::string expected = pc.Path();
  expected.pop_back();
  EXPECT_EQ(std::string(info->CurDir), expected);
  EXPECT_EQ(info->Plugin, 0);
  EXPECT_EQ(info->ItemsNumber, 2);
  ASSERT_EQ(info->SelectedItemsNumber, 1);
  EXPECT_EQ(info->SelectedItems[0].FindData.nFileSizeLow, 5u);
  EXPECT_FALSE(p.host.SetPcFolder(pc / "missing"));
}

TEST(HostServices, DialogGetsScriptedEdits) {
  LoadedProbe p;
  farhost::DialogAnswer answer;
  answer.result = 2;
  farhost::DialogEdit check;
  check.item = 1;
  check.setSelected = true;
  check.selected = 0;
  farhost::DialogEdit text;
  text.item = 2;
  text.setData = true;
  text.data = "new text";
  answer.edits = {check, text};
  p.host.QueueDialog(answer);
  EXPECT_EQ(p.host.Configure(0), 2);
  EXPECT_EQ(Probe<int(WINAPI *)()>(p.host, "ProbeDialogCheck")(), 0);
  EXPECT_STREQ(Probe<const char *(WINAPI *)()>(p.host, "ProbeDialogText")(),
               "new text");
  std::vector<farhost::DialogRecord> dialogs = p.host.Dialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].in[1].selected, 1);
  EXPECT_EQ(dialogs[0].out[1].selected, 0);
  EXPECT_EQ(dialogs[0].in[2].data, "old");
  EXPECT_EQ(dialogs[0].helpTopic, "Config");
  EXPECT_EQ(p.host.Configure(0), -1); // no answer left: Escape
}

TEST(HostEscape, PressedAtTheRequestedProgressBox) {
  LoadedProbe p;
  ASSERT_NE(p.host.OpenPlugin(farapi::OPEN_DISKMENU), INVALID_HANDLE_VALUE);
  p.host.PressEscapeAtProgress(3);
  p.host.PressKey('P', 0);
  EXPECT_EQ(p.LastResult(), 3);
  std::vector<farhost::MessageRecord> progress = p.host.ProgressBoxes();
  ASSERT_EQ(progress.size(), 3u);
  EXPECT_TRUE(progress[0].otherThread);
  EXPECT_EQ(progress[2].items[1], "Done 3 of 5");
  // Without a request the plug-in polls in vain.
  p.host.PressKey('P', 0);
  EXPECT_EQ(p.LastResult(), 0);
  EXPECT_EQ(p.host.ProgressBoxes().size(), 8u);
  std::string t = p.host.Transcript();
  EXPECT_NE(t.find("progress boxes: 5 (from another thread: 5, each followed "
                   "by Text(0,0,0,NULL): yes); the last one:\n"
                   "progress box flags=LEFTALIGN (other thread)\n"
                   "  | Upload\n  | Done 5 of 5\n  |----\n"),
            std::string::npos)
      << t;
}

TEST(HostEscape, UnreachedRequestIsReportedAndDropped) {
  LoadedProbe p;
  ASSERT_NE(p.host.OpenPlugin(farapi::OPEN_DISKMENU), INVALID_HANDLE_VALUE);
  p.host.PressEscapeAtProgress(9);
  p.host.PressKey('P', 0);
  EXPECT_EQ(p.LastResult(), 0);
  EXPECT_NE(p.host.Transcript().find("escape at progress box 9 not reached "
                                     "(5 drawn)"),
            std::string::npos);
  // An Escape nobody reads is the host's after the operation.
  p.host.PressEscapeAtProgress(0);
  p.host.PressKey('Q', 0);
  EXPECT_NE(p.host.Transcript().find("keys left for the host: esc"),
            std::string::npos);
  p.host.PressKey('P', 0);
  EXPECT_EQ(p.LastResult(), 0);
}

TEST(HostPanel, RefusedOpenLeavesNoPanel) {
  LoadedProbe p;
  EXPECT_EQ(p.host.OpenPlugin(farapi::OPEN_FINDLIST), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(p.host.PanelOpen());
  EXPECT_NE(p.host.Transcript().find("OpenPlugin -> no panel"),
            std::string::npos);
}

TEST(HostPanel, TransfersGetTheSelectionAndThePcFolder) {
  LoadedProbe p;
  TempDir pc;
  ASSERT_TRUE(WriteFileBytes(pc / "song.mp3", "1234567"));
  ASSERT_TRUE(WriteFileBytes(pc / "other.mp3", "1"));
  ASSERT_TRUE(p.host.SetPcFolder(pc.Path()));
  ASSERT_NE(p.host.OpenPlugin(farapi::OPEN_DISKMENU), INVALID_HANDLE_VALUE);
  auto seen = Probe<const char *(WINAPI *)()>(p.host, "ProbeTransfer");
  auto path = Probe<const char *(WINAPI *)()>(p.host, "ProbeTransferPath");
  std::string folder = pc.Path();
  folder.pop_back();

  // Nothing selected: the item under the cursor, never the parent entry.
  p.host.SetCursorIndex(0);
  EXPECT_EQ(p.host.CopyToPc(false), 1);
  EXPECT_STREQ(seen(), "get 0 - move=0 op=0");
  p.host.SetCursor("c.mp3");
  EXPECT_EQ(p.host.PressKey(VK_F6, 0), 0); // the host's own F6
  EXPECT_STREQ(seen(), "get 1 c.mp3 move=1 op=0");
  EXPECT_EQ(std::string(path()), folder);
  p.host.Select("a.mp3", true);
  EXPECT_EQ(p.host.DeleteSelected(farapi::OPM_SILENT), 1);
  EXPECT_STREQ(seen(), "delete 1 a.mp3 op=1");

  // PutFiles runs in the PC folder with the selected PC items.
  char before[MAX_PATH];
  GetCurrentDirectoryA(sizeof before, before);
  ASSERT_TRUE(p.host.SelectPc("song.mp3", true));
  EXPECT_EQ(p.host.CopyFromPc(true), 1);
  EXPECT_STREQ(seen(), "put 1 song.mp3 size=7 move=1 op=0");
  EXPECT_EQ(std::string(path()), folder);
  EXPECT_FALSE(p.host.Pc().selected[0] || p.host.Pc().selected[1]);
  SetCurrentDirectoryA(before);
  EXPECT_TRUE(p.host.Problems().empty());
}
