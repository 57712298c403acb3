// Pieces the plug-in tests share: a simulated player store, the real
// DAVUman.dll in the recording host with its panel open, and reading back
// what the player and the host saw.
#pragma once

#include "services/plugin_state.h"
#include "sim/farhost/host_core.h"
#include "sim/usbctrl/player_store.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace plugin_fixture {

using Names = std::vector<std::string>;

// A folder path without its trailing backslash.
std::string Bare(const std::string &folder);
std::string Bare(const testing_support::TempDir &dir);

// Creates a player store in `folder` and points the simulated library at it.
testing::AssertionResult StartPlayer(const std::string &folder,
                                     uint32_t internalBytes,
                                     uint32_t cardBytes);
// The simulated library no longer finds a player.
void StopPlayer();

simplayer::PlayerStore ReadPlayer(const std::string &folder);
void WritePlayer(const simplayer::PlayerStore &store);
// Reads the store, lets `change` edit it and saves it again.
void ChangePlayer(const std::string &folder,
                  const std::function<void(simplayer::PlayerStore &)> &change);
testing::AssertionResult PutOnPlayer(const std::string &folder, int memory,
                                     const std::string &name,
                                     const std::string &bytes,
                                     const simplayer::FileTimes &times,
                                     uint16_t *index = nullptr);
// Names in play order.
Names PlayerNames(const std::string &folder, int memory);
// The file's contents, or "<missing>".
std::string PlayerBytes(const std::string &folder, int memory,
                        const std::string &name);
// Library calls logged in `folder`; all of them when `method` is empty.
std::vector<simplayer::CallRecord> CallsTo(const std::string &folder,
                                           const std::string &method);

// Loads the plug-in from `pluginFolder` into a host that records every call
// and shows every progress box, with its settings under `registryRoot`.
testing::AssertionResult LoadPlugin(const std::string &registryRoot,
                                    const std::string &pluginFolder,
                                    std::unique_ptr<farhost::Host> *host);
// Opens the plug-in's panel from the plug-ins menu.
testing::AssertionResult OpenPanel(farhost::Host &host,
                                   davu::PanelSession **session);

// The player's spelling of a PC name, by the loaded language file's table.
std::string DeviceSpelling(farhost::Host &host, const std::string &name);

// The plug-in's panel as the host shows it, ".." included.
Names PanelNames(farhost::Host &host);
// The panel's item of that name (by the PC name the listing gave).
farapi::PluginPanelItem PanelItem(farhost::Host &host, const std::string &name);
// Selects just these panel items; false when one is not there.
bool SelectOnly(farhost::Host &host, const Names &names);
// Boxes other than the progress box, by their second item.
Names BoxTexts(farhost::Host &host);
// Line 2 of the progress boxes, repeated lines once.
Names ProgressItemLines(farhost::Host &host);
// No problems recorded and every saved screen restored.
void ExpectCleanHost(farhost::Host &host);

} // namespace plugin_fixture
