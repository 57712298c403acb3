// farhost.exe as a program: scripts from a file or stdin against the probe
// plug-in, and the errors it gives for bad lines, folders and plug-ins.
#include "sim/farhost/host_core.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

using farhost::ProgramRun;
using testing_support::ExeDir;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

// A quoted command-line argument; a trailing backslash would escape the
// closing quote.
std::string Quoted(std::string path) {
  if (path.size() > 3 && path.back() == '\\')
    path.pop_back();
  return "\"" + path + "\"";
}

struct ScriptRun {
  TempDir plugin;
  ScriptRun(const char *dllSource = "farhost_probe.dll") {
    EXPECT_TRUE(testing_support::CopyFileTo(ExeDir() + dllSource,
                                            plugin / "probe.dll"));
    EXPECT_TRUE(WriteFileBytes(plugin / "ProbeEng.lng",
                               ".Language=English,English\n\"Probe\"\n"
                               "\"Connecting\"\n"));
    EXPECT_TRUE(WriteFileBytes(plugin / "ProbeEng.hlf",
                               ".Language=English,English\n@Contents\n"
                               "@Messages\n"));
  }
  ProgramRun Run(const std::string &script, const std::string &options = "") {
    TempDir dir;
    EXPECT_TRUE(WriteFileBytes(dir / "test.script", script));
    return RunRaw("--dll probe.dll " + options + " " + Quoted(plugin.Path()) +
                  " " + Quoted(dir / "test.script"));
  }
  ProgramRun RunRaw(const std::string &arguments,
                    const std::string &input = "") {
    ProgramRun run;
    EXPECT_TRUE(farhost::RunProgram(
        "\"" + ExeDir() + "farhost.exe\" " + arguments, input, &run));
    return run;
  }
};

} // namespace

TEST(FarhostScript, RunsCommandsAndPrintsTheTranscript) {
  ScriptRun s;
  ProgramRun run = s.Run("# a comment\n"
                         "open diskmenu\n"
                         "  \n"
                         "answer 1\n"
                         "key M\n"
                         "select a.mp3\n"
                         "cursor #2\n"
                         "show panel\n");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "SetStartupInfo (StructSize 372)\n"
                     "GetPluginInfo\n"
                     "> open diskmenu\n"
                     "OpenPlugin(0, 0)\n"
                     "save screen #1 (0,0,-1,-1)\n"
                     "box flags=0 (no buttons, stays on screen)\n"
                     "  | Probe\n"
                     "  | Connecting\n"
                     "restore screen #1\n"
                     "OpenPlugin -> panel opened\n"
                     "GetFindData -> 1, 3 items\n"
                     "FreeFindData(3 items)\n"
                     "> answer 1\n"
                     "> key M\n"
                     "ProcessKey(PREPROCESS M) -> 0\n"
                     "ProcessKey(M)\n"
                     "box flags=WARNING help=\"Messages\" -> 1 \"No\"\n"
                     "  | Title\n"
                     "  | Question?\n"
                     "  [Yes]\n"
                     "  [No]\n"
                     "ProcessKey -> 1\n"
                     "ProcessKey(PREPROCESS KEY_NONE) -> 0\n"
                     "ProcessKey(KEY_NONE) -> 0\n"
                     "> select a.mp3\n"
                     "> cursor #2\n"
                     "> show panel\n"
                     "panel \"Probe panel\" format \"Probe\", sort unsorted, 3 "
                     "files\n"
                     "  flags 8 (ADDDOTS), dir \"\", start sort unsorted\n"
                     "      ..\n"
                     "      b.mp3                           100  -  #10\n"
                     "  >*  a.mp3                           200  -  #11\n"
                     "      c.mp3                           300  -  #12\n"
                     "end: 1 listing(s) freed, 0 not freed, 11 "
                     "GetOpenPluginInfo call(s), 0 problem(s)\n");
}

TEST(FarhostScript, ReadsTheScriptFromStdinAndExpandsVariables) {
  ScriptRun s;
  SetEnvironmentVariableA("FARHOST_TEST_WORD", "hello there");
  ProgramRun run = s.RunRaw("--dll probe.dll " + Quoted(s.plugin.Path()),
                            "note ${FARHOST_TEST_WORD}\r\nnote done\r\n");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("> note ${FARHOST_TEST_WORD}\nhello there\n"
                         "> note done\ndone\n"),
            std::string::npos)
      << run.out;
}

TEST(FarhostScript, BadLinesStopWithTheirLineNumber) {
  ScriptRun s("farhost_probe_min.dll"); // no transfer exports
  struct Case {
    const char *script;
    const char *error;
  } cases[] = {
      {"open diskmenu\nfrobnicate\n", "script line 2: unknown command"},
      {"show panel\n", "script line 1: no panel is open"},
      {"open diskmenu\ncopy\n", "script line 2: the plug-in has no GetFiles"},
      {"open diskmenu\ndelete\n", "no DeleteFiles export"},
      {"open diskmenu\npc folder C:\\\npc copy\n", "no PutFiles export"},
      {"\n\nanswer maybe\n", "script line 3: expected a button number"},
      {"open diskmenu\nselect nothing.mp3\n", "no item \"nothing.mp3\""},
      {"note ${FARHOST_NOT_SET_ANYWHERE}\n", "FARHOST_NOT_SET_ANYWHERE is not"},
      {"open diskmenu\nkey hyper+F5\n", "unknown key"},
      {"dialog 1 2:colour=red\n", "unknown dialog field"},
  };
  for (const Case &c : cases) {
    ProgramRun run = s.Run(c.script);
    EXPECT_EQ(run.exitCode, 1) << c.script;
    EXPECT_NE(run.err.find(c.error), std::string::npos)
        << c.script << " gave: " << run.err;
  }
}

TEST(FarhostScript, FolderAndPluginFailuresAreClear) {
  ScriptRun s;
  TempDir empty;
  ProgramRun run = s.RunRaw(Quoted(empty / "missing"), "");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("plug-in folder not found"), std::string::npos)
      << run.err;
  run = s.RunRaw(Quoted(empty.Path()), "");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("no DAVUman.dll"), std::string::npos) << run.err;
  ScriptRun bare("farhost_probe_bare.dll");
  run = bare.Run("open diskmenu\n");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("has no SetStartupInfo export"), std::string::npos)
      << run.err;
  run = s.RunRaw("--struct-size 0 " + Quoted(s.plugin.Path()), "");
  EXPECT_EQ(run.exitCode, 2);
  run = s.RunRaw("--bogus", "");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("usage"), std::string::npos);
}

TEST(FarhostScript, OptionsReachTheHost) {
  ScriptRun s;
  ProgramRun run = s.Run("open diskmenu\nescape at 2\nkey P\n",
                         "--struct-size 368 --progress all");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("SetStartupInfo (StructSize 368)"), std::string::npos);
  // Every box is shown, up to the one after which Escape was read.
  EXPECT_NE(run.out.find("  | Done 1 of 5\n"), std::string::npos);
  EXPECT_NE(run.out.find("  | Done 2 of 5\n"), std::string::npos);
  EXPECT_EQ(run.out.find("Done 3 of 5"), std::string::npos) << run.out;
}
