// playerctl.exe run as its own process against stores in temporary folders.
#include "sim/usbctrl/player_store.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <memory>

using simplayer::kExternal;
using simplayer::kInternal;
using testing_support::TempDir;

namespace {

struct ToolRun {
  DWORD exitCode = 0xffffffff;
  std::string out, err;
};

struct HandleCloser {
  void operator()(HANDLE h) const {
    if (h && h != INVALID_HANDLE_VALUE)
      CloseHandle(h);
  }
};
using Handle = std::unique_ptr<void, HandleCloser>;

Handle InheritableFile(const std::string &path) {
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return Handle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

// Runs playerctl.exe with the arguments (each quoted) and collects its
// output through files.
ToolRun Playerctl(const std::vector<std::string> &args) {
  TempDir scratch;
  ToolRun run;
  std::string command = "\"" + testing_support::ExeDir() + "playerctl.exe\"";
  for (const std::string &a : args) {
    std::string quoted = a;
    // A trailing backslash would escape the closing quote.
    if (!quoted.empty() && quoted.back() == '\\')
      quoted += '\\';
    command += " \"" + quoted + "\"";
  }
  {
    Handle out = InheritableFile(scratch / "out.txt");
    Handle err = InheritableFile(scratch / "err.txt");
    EXPECT_TRUE(out && err);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = out.get();
    si.hStdError = err.get();
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0,
                        nullptr, nullptr, &si, &pi)) {
      ADD_FAILURE() << "cannot start " << command;
      return run;
    }
    Handle process(pi.hProcess), thread(pi.hThread);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 60000));
    GetExitCodeProcess(pi.hProcess, &run.exitCode);
  }
  testing_support::ReadFileBytes(scratch / "out.txt", &run.out);
  testing_support::ReadFileBytes(scratch / "err.txt", &run.err);
  return run;
}

simplayer::PlayerStore Load(const std::string &folder) {
  simplayer::PlayerStore store;
  std::string error;
  EXPECT_TRUE(simplayer::LoadStore(folder, &store, &error)) << error;
  return store;
}

struct PlayerctlTest : ::testing::Test {
  TempDir dir;
  std::string folder = dir / "player";
  void SetUp() override {
    ToolRun run = Playerctl({"init", folder, "--internal", "5000", "--external",
                             "0", "--version", "Demo 1"});
    ASSERT_EQ(0u, run.exitCode) << run.err;
  }
};

TEST_F(PlayerctlTest, CreatePutAndList) {
  simplayer::PlayerStore store = Load(folder);
  EXPECT_EQ(5000u, store.memories[kInternal].capacity);
  EXPECT_FALSE(simplayer::MemoryPresent(store, kExternal));
  EXPECT_EQ("Demo 1", store.config.versionText);

  std::string pcFile = dir / "song.mp3";
  ASSERT_TRUE(testing_support::WriteFileBytes(pcFile, "0123456789"));
  ToolRun put = Playerctl({"put", folder, "internal", pcFile});
  ASSERT_EQ(0u, put.exitCode) << put.err;
  ToolRun named = Playerctl({"put", folder, "0", pcFile, "--hex-name",
                             "c4e42e6d7033", "--date", "2004-03-01T10:15:30"});
  ASSERT_EQ(0u, named.exitCode) << named.err;
  ToolRun added = Playerctl({"add", folder, "internal", "Config.dat", "--size",
                             "512", "--date", "2003-12-24"});
  ASSERT_EQ(0u, added.exitCode) << added.err;

  store = Load(folder);
  const auto &files = store.memories[kInternal].files;
  ASSERT_EQ(3u, files.size());
  EXPECT_EQ("song.mp3", files[0].name);
  EXPECT_EQ("\xc4\xe4.mp3", files[1].name);
  EXPECT_EQ(simplayer::MakeDosStamp(2004, 3, 1, 10, 15, 30).time,
            files[1].times.lastWrite.time);
  EXPECT_EQ(512u, files[2].size);
  std::string bytes;
  ASSERT_TRUE(
      simplayer::ReadContents(store, kInternal, files[1].index, &bytes));
  EXPECT_EQ("0123456789", bytes);

  ToolRun list = Playerctl({"list", folder});
  ASSERT_EQ(0u, list.exitCode) << list.err;
  char row[160];
  snprintf(row, sizeof row, "  1    0x%04x         10  2004-03-01 10:15:30",
           files[1].index);
  EXPECT_NE(std::string::npos, list.out.find(row)) << list.out;
  EXPECT_NE(std::string::npos, list.out.find("\"\\xc4\\xe4.mp3\""));
  EXPECT_NE(std::string::npos, list.out.find("2003-12-24 00:00:00"));
  char free[64];
  snprintf(free, sizeof free, "internal: 5000 bytes, %u free, 3 files",
           simplayer::FreeSpace(store, kInternal));
  EXPECT_NE(std::string::npos, list.out.find(free)) << list.out;
  EXPECT_NE(std::string::npos, list.out.find("external: no card"));
}

TEST_F(PlayerctlTest, EditOrderFaultsAndLog) {
  for (const char *name : {"a", "b", "c"})
    ASSERT_EQ(0u,
              Playerctl({"add", folder, "0", name, "--size", "1"}).exitCode);
  simplayer::PlayerStore store = Load(folder);
  std::string a = std::to_string(store.memories[kInternal].files[0].index);
  std::string b = std::to_string(store.memories[kInternal].files[1].index);
  EXPECT_EQ(0u, Playerctl({"move", folder, "0", a, "3"}).exitCode);
  EXPECT_EQ(0u, Playerctl({"remove", folder, "0", b}).exitCode);
  EXPECT_EQ(0u, Playerctl({"capacity", folder, "external", "9000"}).exitCode);
  EXPECT_EQ(0u, Playerctl({"set", folder, "not-ready", "5"}).exitCode);
  EXPECT_EQ(0u, Playerctl({"set", folder, "delivery", "post"}).exitCode);
  EXPECT_EQ(
      0u, Playerctl({"set", folder, "index-high-bits", "0x12340000"}).exitCode);
  EXPECT_EQ(0u, Playerctl({"fail", folder, "Upload", "--nth", "2", "--index", a,
                           "--result", "9"})
                    .exitCode);
  store = Load(folder);
  ASSERT_EQ(2u, store.memories[kInternal].files.size());
  EXPECT_EQ("c", store.memories[kInternal].files[0].name);
  EXPECT_EQ("a", store.memories[kInternal].files[1].name);
  EXPECT_EQ(9000u, store.memories[kExternal].capacity);
  EXPECT_TRUE(store.config.notReady);
  EXPECT_EQ(5, store.config.notReadyResult);
  EXPECT_TRUE(store.config.postMessages);
  EXPECT_EQ(0x12340000u, store.config.indexHighBits);
  ASSERT_EQ(1u, store.config.failRules.size());
  EXPECT_EQ("Upload", store.config.failRules[0].method);
  EXPECT_EQ(2, store.config.failRules[0].nth);
  EXPECT_EQ(std::stoi(a), store.config.failRules[0].index);
  EXPECT_EQ(0u, Playerctl({"fail", folder, "--clear"}).exitCode);
  EXPECT_TRUE(Load(folder).config.failRules.empty());

  simplayer::CallRecord record;
  record.method = "Delete";
  record.args = {"0", "7"};
  record.result = "2";
  ASSERT_TRUE(simplayer::AppendCallLog(folder, record));
  ToolRun log = Playerctl({"log", folder});
  EXPECT_EQ(0u, log.exitCode);
  EXPECT_EQ("Delete(0, 7) = 2\r\n", log.out);
}

TEST_F(PlayerctlTest, BadUsageFailsClearlyAndChangesNothing) {
  ASSERT_EQ(0u,
            Playerctl({"add", folder, "0", "keep", "--size", "10"}).exitCode);
  std::string before;
  ASSERT_TRUE(testing_support::ReadFileBytes(folder + "\\index.txt", &before));
  struct Case {
    std::vector<std::string> args;
    DWORD exitCode;
    const char *message;
  };
  const Case cases[] = {
      {{}, 2, "no command"},
      {{"explode", folder}, 2, "unknown command"},
      {{"add", folder, "floppy", "x"}, 2, "add needs"},
      {{"add", folder, "0", "x", "--date", "1979-01-01"}, 2, "bad --date"},
      {{"add", folder, "0", "x", "--size", "ten"}, 2, "bad --size"},
      {{"add", folder, "0", "x", "--size", "6000"}, 1, "memory full"},
      {{"add", folder, "1", "x"}, 1, "no card"},
      {{"add", folder, "0", "zz", "--hex"}, 2, "not hex"},
      {{"put", folder, "0", dir / "absent.mp3"}, 1, "cannot read"},
      {{"remove", folder, "0", "0x10000"}, 2, "bad index"},
      {{"remove", folder, "0", "4242"}, 1, "no file"},
      {{"set", folder, "colour", "red"}, 2, "unknown setting"},
      {{"set", folder, "card", "maybe"}, 2, "bad value"},
      {{"fail", folder, "Explode"}, 2, "no library method"},
      {{"list", dir / "nowhere"}, 1, "no store folder"},
      {{"add", folder, "0", "x", "--bogus"}, 2, "unknown option"},
  };
  for (const Case &c : cases) {
    ToolRun run = Playerctl(c.args);
    std::string shown;
    for (const std::string &a : c.args)
      shown += a + " ";
    EXPECT_EQ(c.exitCode, run.exitCode) << shown;
    EXPECT_NE(std::string::npos, run.err.find(c.message)) << shown << "\n"
                                                          << run.err;
  }
  std::string after;
  ASSERT_TRUE(testing_support::ReadFileBytes(folder + "\\index.txt", &after));
  EXPECT_EQ(before, after);
}

} // namespace
