// A plug-in folder with the simulated player, a recording host with its
// panel model, a PC folder for the other panel and a registry root of the
// test's own: the set-up every command test starts from.
#pragma once

#include "device/device_link.h"
#include "services/plugin_state.h"
#include "sim/farhost/host_core.h"
#include "sim/usbctrl/player_store.h"
#include "tests/support/plugin_fixture.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace commands_test {

using Names = std::vector<std::string>;
using plugin_fixture::Bare;

class CommandsTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // Loads the plug-in and, when `open`, opens its panel (internal memory)
  // with the PC folder as the other panel.
  void Load(bool open = true);

  simplayer::PlayerStore Store();
  void SaveStore(const simplayer::PlayerStore &store);
  // Puts a file on the player; returns its index.
  uint16_t Put(int memory, const std::string &name, const std::string &bytes,
               const simplayer::FileTimes &times = simplayer::CurrentTimes());
  void Fail(const std::string &method, int index, int nth = 0,
            int result = simplayer::kResultFailed);
  // Small chunks at a low rate: a file draws several progress boxes.
  void SlowTransfers();
  // Names in play order.
  Names OnPlayer(int memory);
  std::string PlayerBytes(int memory, const std::string &name);
  // Library calls made since the last ClearCalls, by method name.
  std::vector<simplayer::CallRecord> Calls(const std::string &method = "");
  void ClearCalls();

  // The plug-in's panel as the host shows it, ".." included.
  Names Panel();
  // Control commands the plug-in called, in order.
  std::vector<int> ControlCommands();
  int CountControls(int command);
  // Boxes other than the progress box, by their second item.
  Names BoxTexts();
  std::string Msg(int id) { return host->Language().messages.at(id); }
  // Lines 2 of the progress boxes, each once in a row.
  Names ProgressItemLines();
  void ExpectCleanHost();

  int Key(int key, unsigned state) { return host->CallProcessKey(key, state); }
  int ShiftKey(int key) { return Key(key, farapi::PKF_SHIFT); }

  testing_support::TempDir pluginDir, playerDir, pc;
  std::string registryRoot;
  std::unique_ptr<farhost::Host> host;
  davu::PanelSession *session = nullptr;
};

} // namespace commands_test
