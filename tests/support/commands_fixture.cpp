#include "tests/support/commands_fixture.h"

#include <algorithm>

namespace commands_test {

void CommandsTest::SetUp() {
  ASSERT_TRUE(farhost::MakePluginFolder(pluginDir.Path()));
  registryRoot = testing_support::UniqueRegistryRoot("commands");
  ASSERT_TRUE(plugin_fixture::StartPlayer(Bare(playerDir), 1000000, 2000000));
}

void CommandsTest::TearDown() {
  host.reset();
  plugin_fixture::StopPlayer();
  testing_support::DeleteRegistryTree(registryRoot);
}

void CommandsTest::Load(bool open) {
  ASSERT_TRUE(
      plugin_fixture::LoadPlugin(registryRoot, pluginDir.Path(), &host));
  if (!open)
    return;
  ASSERT_TRUE(plugin_fixture::OpenPanel(*host, &session));
  ASSERT_TRUE(host->SetPcFolder(Bare(pc)));
  ClearCalls();
  host->ClearRecords();
}

simplayer::PlayerStore CommandsTest::Store() {
  return plugin_fixture::ReadPlayer(Bare(playerDir));
}

void CommandsTest::SaveStore(const simplayer::PlayerStore &store) {
  plugin_fixture::WritePlayer(store);
}

uint16_t CommandsTest::Put(int memory, const std::string &name,
                           const std::string &bytes,
                           const simplayer::FileTimes &times) {
  uint16_t index = 0;
  EXPECT_TRUE(plugin_fixture::PutOnPlayer(Bare(playerDir), memory, name, bytes,
                                          times, &index));
  return index;
}

void CommandsTest::Fail(const std::string &method, int index, int nth,
                        int result) {
  plugin_fixture::ChangePlayer(Bare(playerDir),
                               [&](simplayer::PlayerStore &store) {
                                 simplayer::FailRule rule;
                                 rule.method = method;
                                 rule.index = index;
                                 rule.nth = nth;
                                 rule.result = result;
                                 store.config.failRules.push_back(rule);
                               });
}

void CommandsTest::SlowTransfers() {
  plugin_fixture::ChangePlayer(Bare(playerDir),
                               [](simplayer::PlayerStore &store) {
                                 store.config.chunkSize = 4;
                                 store.config.bytesPerSecond = 400;
                               });
}

Names CommandsTest::OnPlayer(int memory) {
  return plugin_fixture::PlayerNames(Bare(playerDir), memory);
}

std::string CommandsTest::PlayerBytes(int memory, const std::string &name) {
  return plugin_fixture::PlayerBytes(Bare(playerDir), memory, name);
}

std::vector<simplayer::CallRecord>
CommandsTest::Calls(const std::string &method) {
  return plugin_fixture::CallsTo(Bare(playerDir), method);
}

void CommandsTest::ClearCalls() {
  simplayer::ClearCallLog(Bare(playerDir));
}

Names CommandsTest::Panel() {
  return plugin_fixture::PanelNames(*host);
}

std::vector<int> CommandsTest::ControlCommands() {
  std::vector<int> commands;
  for (const farhost::ControlRecord &control : host->Controls())
    commands.push_back(control.command);
  return commands;
}

int CommandsTest::CountControls(int command) {
  std::vector<int> commands = ControlCommands();
  return static_cast<int>(
      std::count(commands.begin(), commands.end(), command));
}

Names CommandsTest::BoxTexts() {
  return plugin_fixture::BoxTexts(*host);
}

Names CommandsTest::ProgressItemLines() {
  return plugin_fixture::ProgressItemLines(*host);
}

void CommandsTest::ExpectCleanHost() {
  plugin_fixture::ExpectCleanHost(*host);
}

} // namespace commands_test
