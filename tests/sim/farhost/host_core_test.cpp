// The substitute host driven through a probe plug-in: language files, the
// host table, recorded boxes and answers, screen balance, the listing
// ledger, the panel model, dialogs and the Escape key in the console.
#include "tests/sim/farhost/host_core_fixture.h"

using namespace host_core;

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
