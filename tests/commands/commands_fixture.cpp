#include "commands_fixture.h"

#include <algorithm>

namespace commands_test {

std::string Bare(const testing_support::TempDir &dir) {
  std::string path = dir.Path();
  path.pop_back();
  return path;
}

void CommandsTest::SetUp() {
  ASSERT_TRUE(farhost::MakePluginFolder(pluginDir.Path()));
  registryRoot = testing_support::UniqueRegistryRoot("commands");
  std::string error;
  ASSERT_TRUE(simplayer::CreateStore(Bare(playerDir), 1000000, 2000000, &error))
      << error;
  SetEnvironmentVariableA("DAVU_PLAYER", Bare(playerDir).c_str());
}

void CommandsTest::TearDown() {
  host.reset();
  SetEnvironmentVariableA("DAVU_PLAYER", nullptr);
  testing_support::DeleteRegistryTree(registryRoot);
}

void CommandsTest::Load(bool open) {
  farhost::HostOptions options;
  options.rootKey = registryRoot;
  options.progress = farhost::ProgressMode::All;
  options.echoCalls = false;
  host.reset(new farhost::Host(options));
  std::string error;
  ASSERT_TRUE(host->Load(pluginDir.Path(), &error)) << error;
  if (!open)
    return;
  HANDLE panel = host->OpenPlugin(farapi::OPEN_PLUGINSMENU);
  ASSERT_TRUE(host->PanelOpen());
  session = static_cast<davu::PanelSession *>(panel);
  ASSERT_TRUE(host->SetPcFolder(Bare(pc)));
  ClearCalls();
  host->ClearRecords();
}

simplayer::PlayerStore CommandsTest::Store() {
  simplayer::PlayerStore store;
  std::string error;
  EXPECT_TRUE(simplayer::LoadStore(Bare(playerDir), &store, &error)) << error;
  return store;
}

void CommandsTest::SaveStore(const simplayer::PlayerStore &store) {
  std::string error;
  EXPECT_TRUE(simplayer::SaveStore(store, &error)) << error;
}

uint16_t CommandsTest::Put(int memory, const std::string &name,
                           const std::string &bytes,
                           const simplayer::FileTimes &times) {
  simplayer::PlayerStore store = Store();
  uint16_t index = 0;
  std::string error;
  EXPECT_EQ(
      simplayer::PutBytes(&store, memory, name, bytes, times, &index, &error),
      simplayer::PutResult::Done)
      << error;
  return index;
}

void CommandsTest::Fail(const std::string &method, int index, int nth,
                        int result) {
  simplayer::PlayerStore store = Store();
  simplayer::FailRule rule;
  rule.method = method;
  rule.index = index;
  rule.nth = nth;
  rule.result = result;
  store.config.failRules.push_back(rule);
  SaveStore(store);
}

void CommandsTest::SlowTransfers() {
  simplayer::PlayerStore store = Store();
  store.config.chunkSize = 4;
  store.config.bytesPerSecond = 400;
  SaveStore(store);
}

Names CommandsTest::OnPlayer(int memory) {
  Names names;
  for (const simplayer::StoredFile &file : Store().memories[memory].files)
    names.push_back(file.name);
  return names;
}

std::string CommandsTest::PlayerBytes(int memory, const std::string &name) {
  simplayer::PlayerStore store = Store();
  for (const simplayer::StoredFile &file : store.memories[memory].files) {
    std::string bytes;
    if (file.name == name &&
        simplayer::ReadContents(store, memory, file.index, &bytes))
      return bytes;
  }
  return "<missing>";
}

std::vector<simplayer::CallRecord>
CommandsTest::Calls(const std::string &method) {
  std::vector<simplayer::CallRecord> all, chosen;
  simplayer::ReadCallLog(Bare(playerDir), &all);
  for (const simplayer::CallRecord &call : all)
    if (method.empty() || call.method == method)
      chosen.push_back(call);
  return chosen;
}

void CommandsTest::ClearCalls() {
  simplayer::ClearCallLog(Bare(playerDir));
}

Names CommandsTest::Panel() {
  Names names;
  for (const farhost::PanelEntry &entry : host->Model().entries)
    names.push_back(entry.Name());
  return names;
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
  Names texts;
  for (const farhost::MessageRecord &box : host->Boxes())
    texts.push_back(box.items.size() > 1 ? box.items[1] : "");
  return texts;
}

Names CommandsTest::ProgressItemLines() {
  Names lines;
  for (const farhost::MessageRecord &box : host->ProgressBoxes())
    if (box.items.size() > 1 && (lines.empty() || lines.back() != box.items[1]))
      lines.push_back(box.items[1]);
  return lines;
}

void CommandsTest::ExpectCleanHost() {
  for (const std::string &problem : host->Problems())
    ADD_FAILURE() << problem;
  EXPECT_EQ(host->OpenScreens(), 0);
}

} // namespace commands_test
