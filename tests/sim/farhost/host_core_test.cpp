// The substitute host driven through a probe plug-in: language files, the
// host table, recorded boxes and answers, screen balance, the listing
// ledger, the panel model, dialogs and the Escape key in the console.
#include "sim/farhost/host_core.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

using farhost::Host;
using farhost::HostOptions;
using testing_support::ExeDir;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

const char kEnglish[] = ".Language=English,English\r\n"
                        "// comment\r\n"
                        "\"Probe plug-in\"\r\n"
                        "\"Connecting...\"   \r\n"
                        "  \"indented lines are not messages\"\r\n"
                        "\r\n"
                        "\"Say \\\"hi\\\" and \"\"bye\"\"\"\r\n";
const char kRussian[] =
    ".Language=Russian,Russian (\x90\xe3\xe1\xe1\xaa\xa8\xa9)\n"
    "\"\x8f\xe0\xae\xa1\xa0\"\n"
    "\"\x8f\xae\xa4\xaa\xab\xee\xe7\xa5\xad\xa8\xa5\"\n";
const char kHelp[] = ".Language=English,English\n@Contents\n$Probe\n@Messages\n"
                     "Text\n@Config\n@-\n";

// A plug-in folder with the probe DLL under `dll` and its language files.
struct ProbeFolder {
  TempDir dir;
  explicit ProbeFolder(const char *dll = "probe.dll",
                       const char *source = "farhost_probe.dll") {
    EXPECT_TRUE(testing_support::CopyFileTo(ExeDir() + source, dir / dll));
    EXPECT_TRUE(WriteFileBytes(dir / "ProbeEng.lng", kEnglish));
    EXPECT_TRUE(WriteFileBytes(dir / "ProbeRus.lng", kRussian));
    EXPECT_TRUE(WriteFileBytes(dir / "ProbeEng.hlf", kHelp));
  }
};

template <typename Fn> Fn Probe(const Host &host, const char *name) {
  return reinterpret_cast<Fn>(
      reinterpret_cast<void *>(GetProcAddress(host.Module(), name)));
}

struct LoadedProbe {
  ProbeFolder folder;
  Host host;
  explicit LoadedProbe(const HostOptions &options = HostOptions())
      : host(options) {
    std::string error;
    EXPECT_TRUE(host.Load(folder.dir.Path(), &error, "probe.dll")) << error;
  }
  int LastResult() { return Probe<int(WINAPI *)()>(host, "ProbeLastResult")(); }
};

} // namespace

TEST(LanguageFile, LinesParseAsFarReadsThem) {
  EXPECT_EQ(farhost::ParseLangLine("\"plain\""), "plain");
  EXPECT_EQ(farhost::ParseLangLine("\"no closing quote"), "no closing quote");
  EXPECT_EQ(farhost::ParseLangLine("\"trailing blanks\"  \r"),
            "trailing blanks");
  EXPECT_EQ(farhost::ParseLangLine("\"a\\\\b\\\"c\\nd\\te\\rf\\bg\""),
            "a\\b\"c\nd\te\rf\bg");
  EXPECT_EQ(farhost::ParseLangLine("\"keep \\x as is\""), "keep \\x as is");
  EXPECT_EQ(farhost::ParseLangLine("\"double \"\"quotes\"\"\""),
            "double \"quotes\"");
  EXPECT_EQ(farhost::ParseLangLine("\"inner \"quote\" stays\""),
            "inner \"quote\" stays");
  EXPECT_EQ(farhost::ParseLangLine("\"\""), "");
}

TEST(LanguageFile, OnlyQuotedLinesAreMessages) {
  TempDir dir;
  ASSERT_TRUE(WriteFileBytes(dir / "a.lng", kEnglish));
  farhost::LangFile lang;
  std::string error;
  ASSERT_TRUE(farhost::ParseLangFile(dir / "a.lng", &lang, &error)) << error;
  EXPECT_EQ(lang.language, "English");
  ASSERT_EQ(lang.messages.size(), 3u);
  EXPECT_EQ(lang.messages[0], "Probe plug-in");
  EXPECT_EQ(lang.messages[1], "Connecting...");
  EXPECT_EQ(lang.messages[2], "Say \"hi\" and \"bye\"");
  EXPECT_FALSE(farhost::ParseLangFile(dir / "missing.lng", &lang, &error));
}

TEST(LanguageFile, LongLinesAreCutWithAWarning) {
  TempDir dir;
  std::string line = "\"" + std::string(1500, 'x') + "\"\n\"next\"\n";
  ASSERT_TRUE(WriteFileBytes(dir / "a.lng", line));
  farhost::LangFile lang;
  ASSERT_TRUE(farhost::ParseLangFile(dir / "a.lng", &lang, nullptr));
  ASSERT_EQ(lang.messages.size(), 2u);
  EXPECT_EQ(lang.messages[0].size(), 1022u);
  EXPECT_EQ(lang.messages[1], "next");
  EXPECT_EQ(lang.warnings.size(), 1u);
}

TEST(LanguageFile, ChoiceByLanguageLine) {
  ProbeFolder folder;
  const std::string dir = folder.dir.Path();
  EXPECT_EQ(farhost::ChooseLanguageFile(dir, "*.lng", "English"),
            dir + "ProbeEng.lng");
  EXPECT_EQ(farhost::ChooseLanguageFile(dir, "*.lng", "russian"),
            dir + "ProbeRus.lng");
  EXPECT_EQ(farhost::ChooseLanguageFile(dir, "*.lng", "German"),
            dir + "ProbeEng.lng");
  EXPECT_EQ(farhost::ChooseLanguageFile(dir, "*.hlf", "Russian"),
            dir + "ProbeEng.hlf");
  EXPECT_EQ(farhost::ChooseLanguageFile(dir, "*.txt", "English"), "");
  std::vector<std::string> topics = farhost::HelpTopics(dir + "ProbeEng.hlf");
  EXPECT_EQ(topics,
            (std::vector<std::string>{"Contents", "Messages", "Config"}));
}

TEST(HostLoad, FailuresSayWhy) {
  TempDir dir;
  std::string error;
  {
    Host host;
    EXPECT_FALSE(host.Load(dir / "nowhere", &error, "probe.dll"));
    EXPECT_NE(error.find("not found"), std::string::npos) << error;
  }
  {
    Host host;
    EXPECT_FALSE(host.Load(dir.Path(), &error, "probe.dll"));
    EXPECT_NE(error.find("no probe.dll"), std::string::npos) << error;
  }
  {
    ASSERT_TRUE(WriteFileBytes(dir / "probe.dll", "not a module"));
    Host host;
    EXPECT_FALSE(host.Load(dir.Path(), &error, "probe.dll"));
    EXPECT_NE(error.find("cannot load"), std::string::npos) << error;
  }
  {
    ProbeFolder bare("probe.dll", "farhost_probe_bare.dll");
    Host host;
    EXPECT_FALSE(host.Load(bare.dir.Path(), &error, "probe.dll"));
    EXPECT_NE(error.find("no SetStartupInfo"), std::string::npos) << error;
  }
}

TEST(HostLoad, StartupTableAsFarFillsIt) {
  HostOptions options;
  options.rootKey = "Software\\DAVU Tests\\probe";
  LoadedProbe p(options);
  const farapi::PluginStartupInfo *seen =
      Probe<const farapi::PluginStartupInfo *(WINAPI *)()>(p.host,
                                                           "ProbeStartup")();
  EXPECT_EQ(seen->StructSize, 372);
  EXPECT_EQ(std::string(seen->ModuleName), p.folder.dir / "probe.dll");
  EXPECT_STREQ(seen->RootKey, "Software\\DAVU Tests\\probe");
  const void *const *services =
      reinterpret_cast<const void *const *>(&seen->Menu);
  for (int i = 0; i < 23; ++i) // Menu to DefDlgProc, FSF among them
    EXPECT_NE(services[i], nullptr) << "service " << i;
  EXPECT_EQ(seen->FSF->StructSize, 228);
  for (int i = 0; i < 56; ++i)
    EXPECT_NE(seen->FSF->Functions[i], nullptr);
  EXPECT_NE(p.host.Api().GetFiles, nullptr);
  EXPECT_EQ(p.host.Api().ClosePlugin, nullptr);
  EXPECT_NE(p.host.Api().ProcessKey, nullptr);
  EXPECT_EQ(p.host.Language().messages.size(), 3u);
  EXPECT_EQ(p.host.HelpFile(), p.folder.dir / "ProbeEng.hlf");
}

TEST(HostLoad, SmallerTableAndRussianOnRequest) {
  HostOptions options;
  options.structSize = 368;
  options.language = "Russian";
  LoadedProbe p(options);
  const farapi::PluginStartupInfo *seen =
      Probe<const farapi::PluginStartupInfo *(WINAPI *)()>(p.host,
                                                           "ProbeStartup")();
  EXPECT_EQ(seen->StructSize, 368);
  farhost::PluginMenus menus;
  ASSERT_TRUE(p.host.GetPluginInfo(&menus));
  ASSERT_EQ(menus.pluginMenu.size(), 1u);
  EXPECT_EQ(menus.pluginMenu[0], "\x8f\xe0\xae\xa1\xa0");
}

TEST(HostServices, BoxesAreRecordedAndAnsweredFromTheQueue) {
  LoadedProbe p;
  ASSERT_NE(p.host.OpenPlugin(farapi::OPEN_PLUGINSMENU), INVALID_HANDLE_VALUE);
  std::vector<farhost::MessageRecord> boxes = p.host.Boxes();
  ASSERT_EQ(boxes.size(), 1u); // the connecting box
  EXPECT_EQ(boxes[0].items,
            (std::vector<std::string>{"Probe plug-in", "Connecting..."}));
  EXPECT_EQ(boxes[0].buttons, 0);
  EXPECT_FALSE(boxes[0].hasHelp);

  p.host.QueueAnswer(1);
  p.host.QueueAnswer(-1);
  p.host.PressKey('M', 0);
  EXPECT_EQ(p.LastResult(), 1);
  p.host.PressKey('M', 0);
  EXPECT_EQ(p.LastResult(), -1);
  p.host.PressKey('M', 0); // empty queue
  EXPECT_EQ(p.LastResult(), 0);
  boxes = p.host.Boxes();
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[1].flags, farapi::FMSG_WARNING);
  EXPECT_EQ(boxes[1].helpTopic, "Messages");
  EXPECT_EQ(boxes[1].buttons, 2);
  EXPECT_TRUE(boxes[1].scripted);
  EXPECT_FALSE(boxes[3].scripted);
  EXPECT_FALSE(boxes[1].otherThread);
  std::string t = p.host.Transcript();
  EXPECT_NE(t.find("box flags=WARNING help=\"Messages\" -> 1 \"No\"\n"
                   "  | Title\n  | Question?\n  [Yes]\n  [No]\n"),
            std::string::npos)
      << t;
  EXPECT_NE(t.find("-> esc"), std::string::npos);
  EXPECT_TRUE(p.host.Problems().empty());
}

TEST(HostServices, ScreenBalanceAndStrayCallsAreProblems) {
  LoadedProbe p;
  ASSERT_NE(p.host.OpenPlugin(farapi::OPEN_DISKMENU), INVALID_HANDLE_VALUE);
  EXPECT_TRUE(p.host.Problems().empty());
  p.host.PressKey('S', 0);
  std::vector<std::string> problems = p.host.Problems();
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("not restored"), std::string::npos);
  p.host.PressKey('D', 0);
  problems = p.host.Problems();
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[1].find("already restored"), std::string::npos);
  p.host.PressKey('X', 0);
  p.host.PressKey('T', 0);
  problems = p.host.Problems();
  ASSERT_EQ(problems.size(), 4u);
  EXPECT_NE(problems[2].find("Menu"), std::string::npos);
  EXPECT_NE(problems[3].find("message 999"), std::string::npos);
  EXPECT_EQ(p.host.OpenScreens(), 0);
}

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
