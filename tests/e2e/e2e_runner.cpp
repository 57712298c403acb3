#include "tests/e2e/e2e_runner.h"

#include "sim/farhost/host_core.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace e2e {

namespace {

std::string current_host = kFirstHostProfile;

std::string Quoted(std::string path) {
  if (path.size() > 3 && path.back() == '\\')
    path.pop_back();
  return "\"" + path + "\"";
}

void ReplaceAll(std::string *text, const std::string &from,
                const std::string &to) {
  if (from.empty())
    return;
  for (size_t at = text->find(from); at != std::string::npos;
       at = text->find(from, at + to.size()))
    text->replace(at, from.size(), to);
}

// The first line where two texts differ, for the failure message.
std::string FirstDifference(const std::string &expected,
                            const std::string &actual) {
  size_t line = 1, start = 0;
  for (size_t i = 0; i < expected.size() || i < actual.size(); ++i) {
    char e = i < expected.size() ? expected[i] : 0;
    char a = i < actual.size() ? actual[i] : 0;
    if (e != a) {
      size_t ee = expected.find('\n', start), ae = actual.find('\n', start);
      return "line " + std::to_string(line) + ":\n  expected: " +
             expected.substr(start, ee == std::string::npos ? ee : ee - start) +
             "\n  actual:   " +
             actual.substr(start, ae == std::string::npos ? ae : ae - start);
    }
    if (e == '\n') {
      ++line;
      start = i + 1;
    }
  }
  return "no difference";
}

} // namespace

void HostProfileTest::SetUp() {
  current_host = GetParam();
}

std::string CasesFolder() {
  std::string dir = DAVU_E2E_CASES_DIR;
  // A Unix source path is reached through Wine's Z: drive.
  if (!dir.empty() && dir[0] == '/')
    dir = "Z:" + dir;
  for (char &c : dir)
    if (c == '/')
      c = '\\';
  if (dir.back() != '\\')
    dir += '\\';
  return dir;
}

CaseRoot::CaseRoot() {
  static unsigned counter = 0;
  char base[64];
  snprintf(base, sizeof base, "C:\\davu-e2e\\%08lx\\",
           static_cast<unsigned long>(GetCurrentProcessId()));
  CreateDirectoryA("C:\\davu-e2e", nullptr);
  CreateDirectoryA(base, nullptr);
  for (;;) {
    char name[16];
    snprintf(name, sizeof name, "%04u\\", counter++ % 10000);
    path_ = std::string(base) + name;
    if (CreateDirectoryA(path_.c_str(), nullptr))
      break;
  }
}

CaseRoot::~CaseRoot() {
  testing_support::RemoveTree(path_);
  // The process folder goes with its last case; it stays while others use it.
  std::string parent = path_.substr(0, path_.size() - 5);
  RemoveDirectoryA(parent.c_str());
}

Case::Case(const std::string &caseName, bool withLibrary)
    : name(caseName), host(current_host) {
  pluginFolder = root / "plugin\\";
  playerFolder = root / "player\\";
  pcFolder = root / "pc\\";
  CreateDirectoryA(playerFolder.c_str(), nullptr);
  CreateDirectoryA(pcFolder.c_str(), nullptr);
  EXPECT_TRUE(farhost::MakePluginFolder(
      pluginFolder,
      withLibrary ? farhost::ProgramFolder() + "USBCTRL.dll" : std::string()));
  registryRoot = testing_support::UniqueRegistryRoot("e2e");
  SetEnvironmentVariableA("DAVU_PLAYER", playerFolder.c_str());
  std::string pc = pcFolder.substr(0, pcFolder.size() - 1);
  std::string player = playerFolder.substr(0, playerFolder.size() - 1);
  SetEnvironmentVariableA("PC", pc.c_str());
  SetEnvironmentVariableA("PLAYER", player.c_str());
}

Case::~Case() {
  testing_support::DeleteRegistryTree(registryRoot);
}

bool Case::UseLibrary(const std::string &path) {
  return CopyFileA(path.c_str(), (pluginFolder + "USBCTRL.dll").c_str(),
                   FALSE) != 0;
}

void Case::RunAndCompare() {
  std::string script = CasesFolder() + name + ".script";
  std::string expectedPath = CasesFolder() + name + "." + host + ".expected";
  if (GetFileAttributesA(expectedPath.c_str()) == INVALID_FILE_ATTRIBUTES)
    expectedPath = CasesFolder() + name + ".expected";
  std::string actualName = name + "." + host + ".actual";
  farhost::ProgramRun run;
  std::string command = Quoted(farhost::ProgramFolder() + "farhost.exe") +
                        " --host " + host + " --root " + Quoted(registryRoot) +
                        " " + options + " " + Quoted(pluginFolder) + " " +
                        Quoted(script);
  ASSERT_TRUE(farhost::RunProgram(command, "", &run)) << command;
  std::string actual = run.out;
  ReplaceAll(&actual, root.Path(), "<TMP>\\");
  if (!run.err.empty())
    actual += "stderr: " + run.err;
  actual += "exit code " + std::to_string(run.exitCode) + "\n";
  std::string expected;
  bool haveExpected = testing_support::ReadFileBytes(expectedPath, &expected);
  if (!haveExpected || expected != actual)
    testing_support::WriteFileBytes(farhost::ProgramFolder() + actualName,
                                    actual);
  if (!haveExpected)
    GTEST_SKIP() << "no expected transcript " << expectedPath << " yet: check "
                 << actualName
                 << " beside the test program by hand and save it";
  EXPECT_EQ(expected, actual)
      << FirstDifference(expected, actual) << "\n(whole transcript in "
      << actualName << " beside the test program)";
}

} // namespace e2e
