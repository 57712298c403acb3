// A plug-in folder with the simulated library, a player store, the
// substitute host with the panel open, and a PC folder for copies.
#pragma once

#include "host/far_api.h"
#include "services/plugin_state.h"
#include "sim/farhost/host_core.h"
#include "sim/usbctrl/player_store.h"
#include "tests/support/plugin_fixture.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace from_player {

using Names = std::vector<std::string>;

class FromPlayerTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // Loads the plug-in and opens its panel on `memory`.
  void Open(int memory = simplayer::kInternal);
  // Lists the panel again (after the store or the memory changed).
  void Relist();

  simplayer::PlayerStore Store();
  void SaveStore(const simplayer::PlayerStore &store);
  uint16_t OnPlayer(int memory, const std::string &name,
                    const std::string &bytes,
                    const simplayer::DosStamp &stamp = DefaultStamp());
  Names PlayerNames(int memory);
  // Chunks of `chunk` bytes, each a progress message.
  void Chunks(uint32_t chunk);
  void FailUploadOf(uint16_t index);
  std::vector<simplayer::CallRecord> Calls(const std::string &method);

  // The panel's item of that name (by the PC name the listing gave).
  farapi::PluginPanelItem Item(const std::string &name);
  std::vector<farapi::PluginPanelItem> Items(const Names &names);
  bool SelectOnly(const Names &names);

  std::string Msg(int id) { return host->Language().messages.at(id); }
  std::vector<std::string> MsgTexts(std::initializer_list<int> ids);
  // Line 2 of the progress boxes, repeated lines once.
  Names ProgressItemLines();
  void ExpectCleanHost();

  static simplayer::DosStamp DefaultStamp() {
    return simplayer::MakeDosStamp(2021, 1, 1, 12, 30, 58);
  }

  testing_support::TempDir pluginDir, playerDir, pcRoot;
  std::string pc; // the PC panel's folder, inside pcRoot
  std::string registryRoot;
  std::unique_ptr<farhost::Host> host;
  davu::PanelSession *session = nullptr;
  int threadsAtOpen = 0;
};

using plugin_fixture::Bare;
using testing_support::CurrentFolder;
using testing_support::ThreadsOfThisProcess;
using testing_support::WindowsOfThisProcess;

} // namespace from_player
