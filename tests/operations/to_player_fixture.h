// The fixture of the PutFiles tests: a plug-in and a simulated player,
// the PC folder, and the helpers that read both sides.
#pragma once

#include "device/device_link.h"
#include "services/messages.h"
#include "services/plugin_state.h"
#include "sim/farhost/host_core.h"
#include "sim/usbctrl/player_store.h"
#include "tests/support/plugin_fixture.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using testing_support::FileExists;
using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace to_player {

// Confirmation buttons of the copy and move questions.
constexpr int kGoOn = 0;
constexpr int kKeepExisting = 1;
constexpr int kPlaylists = 2;
// Buttons of the free-space warning.
constexpr int kSwitchWhenFull = 1;

using plugin_fixture::Bare;

inline bool MakeFolder(const std::string &path) {
  return CreateDirectoryA(path.c_str(), nullptr) != 0;
}

inline void WriteSetting(const std::string &root, const char *name,
                         const std::string &text) {
  ASSERT_TRUE(testing_support::WriteRegistryValue(root + "\\DAVU Manager\\",
                                                  name, text));
}

class PutFilesTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(farhost::MakePluginFolder(pluginDir.Path()));
    registryRoot = testing_support::UniqueRegistryRoot("toplayer");
    ASSERT_TRUE(plugin_fixture::StartPlayer(Bare(playerDir), 1000000, 1000000));
  }
  void TearDown() override {
    host.reset();
    plugin_fixture::StopPlayer();
    testing_support::DeleteRegistryTree(registryRoot);
  }

  // Loads the plug-in with the given extension lists and opens its panel
  // on the PC folder `pc`.
  void Open(const char *curDirExt = nullptr, const char *subDirExt = nullptr) {
    if (curDirExt)
      WriteSetting(registryRoot, "CurDirExt", curDirExt);
    if (subDirExt)
      WriteSetting(registryRoot, "SubDirExt", subDirExt);
    ASSERT_TRUE(
        plugin_fixture::LoadPlugin(registryRoot, pluginDir.Path(), &host));
    ASSERT_TRUE(plugin_fixture::OpenPanel(*host, &session));
    ASSERT_TRUE(host->SetPcFolder(Bare(pc)));
    host->ClearRecords(); // the connecting box is not this operation's
  }

  void Pc(const std::string &name, const std::string &bytes) {
    ASSERT_TRUE(WriteFileBytes(pc / name, bytes));
  }
  void SelectPc(std::initializer_list<const char *> names) {
    host->RereadPc();
    for (const char *name : names)
      ASSERT_TRUE(host->SelectPc(name, true)) << name;
  }
  // Copies or moves the PC selection after answering the confirmation.
  int Put(bool move, int answer = kGoOn, int opMode = 0) {
    if (!(opMode & farapi::OPM_SILENT))
      host->QueueAnswer(answer);
    return host->CopyFromPc(move, opMode);
  }

  simplayer::PlayerStore Store() {
    return plugin_fixture::ReadPlayer(Bare(playerDir));
  }
  void SaveStore(const simplayer::PlayerStore &store) {
    plugin_fixture::WritePlayer(store);
  }
  // The memories start empty, so the capacity is the free space.
  void SetFreeSpace(int memory, uint32_t bytes) {
    plugin_fixture::ChangePlayer(Bare(playerDir),
                                 [&](simplayer::PlayerStore &store) {
                                   store.memories[memory].capacity = bytes;
                                 });
  }
  void OnPlayerAlready(int memory, const std::string &name,
                       const std::string &bytes) {
    ASSERT_TRUE(plugin_fixture::PutOnPlayer(Bare(playerDir), memory, name,
                                            bytes, simplayer::CurrentTimes()));
  }
  void FailDownloadCall(int nth, int result) {
    plugin_fixture::ChangePlayer(Bare(playerDir),
                                 [&](simplayer::PlayerStore &store) {
                                   simplayer::FailRule rule;
                                   rule.method = "Download";
                                   rule.nth = nth;
                                   rule.result = result;
                                   store.config.failRules.push_back(rule);
                                 });
  }
  // Small chunks at a low rate: every file draws several progress boxes.
  void SlowTransfers() {
    plugin_fixture::ChangePlayer(Bare(playerDir),
                                 [](simplayer::PlayerStore &store) {
                                   store.config.chunkSize = 4;
                                   store.config.bytesPerSecond = 400;
                                 });
  }
  std::vector<std::string> OnPlayer(int memory) {
    std::vector<std::string> names =
        plugin_fixture::PlayerNames(Bare(playerDir), memory);
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string PlayerBytes(int memory, const std::string &name) {
    return plugin_fixture::PlayerBytes(Bare(playerDir), memory, name);
  }
  // The boxes other than the progress box, with their first text item.
  std::vector<std::string> BoxTexts() {
    return plugin_fixture::BoxTexts(*host);
  }
  std::string Msg(int id) { return host->Language().messages.at(id); }
  std::vector<std::string> ProgressItemLines() {
    return plugin_fixture::ProgressItemLines(*host);
  }
  void ExpectCleanHost() { plugin_fixture::ExpectCleanHost(*host); }

  TempDir pluginDir, playerDir, pc;
  std::string registryRoot;
  std::unique_ptr<farhost::Host> host;
  davu::PanelSession *session = nullptr;
};

using Names = std::vector<std::string>;

// --- extension lists of the selected files

} // namespace to_player
