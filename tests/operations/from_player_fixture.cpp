#include "tests/operations/from_player_fixture.h"

#include <algorithm>

namespace from_player {

void FromPlayerTest::SetUp() {
  ASSERT_TRUE(farhost::MakePluginFolder(pluginDir.Path()));
  registryRoot = testing_support::UniqueRegistryRoot("fromplayer");
  ASSERT_TRUE(plugin_fixture::StartPlayer(Bare(playerDir), 1000000, 1000000));
  pc = pcRoot / "dest";
  ASSERT_TRUE(CreateDirectoryA(pc.c_str(), nullptr));
}

void FromPlayerTest::TearDown() {
  if (host) {
    // No progress thread or window outlives an operation.
    EXPECT_EQ(WindowsOfThisProcess("DAVU_CLASS"), 0);
    EXPECT_EQ(ThreadsOfThisProcess(), threadsAtOpen);
    EXPECT_EQ(host->OpenScreens(), 0);
  }
  host.reset();
  plugin_fixture::StopPlayer();
  testing_support::DeleteRegistryTree(registryRoot);
  // Read-only files would stay behind in the temporary folders.
  for (const std::string &name : testing_support::ListFolder(pc + "\\"))
    SetFileAttributesA((pc + "\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
}

void FromPlayerTest::Open(int memory) {
  ASSERT_TRUE(
      plugin_fixture::LoadPlugin(registryRoot, pluginDir.Path(), &host));
  ASSERT_TRUE(plugin_fixture::OpenPanel(*host, &session));
  if (memory != simplayer::kInternal) {
    session->Memory = memory;
    Relist();
  }
  ASSERT_TRUE(host->SetPcFolder(pc));
  simplayer::ClearCallLog(Bare(playerDir));
  host->ClearRecords(); // the connecting box is not the operation's
  threadsAtOpen = ThreadsOfThisProcess();
}

void FromPlayerTest::Relist() {
  host->Refresh(false);
}

simplayer::PlayerStore FromPlayerTest::Store() {
  return plugin_fixture::ReadPlayer(Bare(playerDir));
}

void FromPlayerTest::SaveStore(const simplayer::PlayerStore &store) {
  plugin_fixture::WritePlayer(store);
}

uint16_t FromPlayerTest::OnPlayer(int memory, const std::string &name,
                                  const std::string &bytes,
                                  const simplayer::DosStamp &stamp) {
  uint16_t index = 0;
  EXPECT_TRUE(plugin_fixture::PutOnPlayer(Bare(playerDir), memory, name, bytes,
                                          simplayer::SameTimes(stamp), &index));
  return index;
}

Names FromPlayerTest::PlayerNames(int memory) {
  Names names = plugin_fixture::PlayerNames(Bare(playerDir), memory);
  std::sort(names.begin(), names.end());
  return names;
}

void FromPlayerTest::Chunks(uint32_t chunk) {
  plugin_fixture::ChangePlayer(
      Bare(playerDir),
      [&](simplayer::PlayerStore &store) { store.config.chunkSize = chunk; });
}

void FromPlayerTest::FailUploadOf(uint16_t index) {
  plugin_fixture::ChangePlayer(Bare(playerDir),
                               [&](simplayer::PlayerStore &store) {
                                 simplayer::FailRule rule;
                                 rule.method = "Upload";
                                 rule.index = index;
                                 store.config.failRules.push_back(rule);
                               });
}

std::vector<simplayer::CallRecord>
FromPlayerTest::Calls(const std::string &method) {
  return plugin_fixture::CallsTo(Bare(playerDir), method);
}

farapi::PluginPanelItem FromPlayerTest::Item(const std::string &name) {
  return plugin_fixture::PanelItem(*host, name);
}

std::vector<farapi::PluginPanelItem> FromPlayerTest::Items(const Names &names) {
  std::vector<farapi::PluginPanelItem> items;
  for (const std::string &name : names)
    items.push_back(Item(name));
  return items;
}

bool FromPlayerTest::SelectOnly(const Names &names) {
  return plugin_fixture::SelectOnly(*host, names);
}

std::vector<std::string>
FromPlayerTest::MsgTexts(std::initializer_list<int> ids) {
  std::vector<std::string> texts;
  for (int id : ids)
    texts.push_back(Msg(id));
  return texts;
}

Names FromPlayerTest::ProgressItemLines() {
  return plugin_fixture::ProgressItemLines(*host);
}

void FromPlayerTest::ExpectCleanHost() {
  plugin_fixture::ExpectCleanHost(*host);
  int saves = 0, restores = 0;
  for (const farhost::ScreenRecord &screen : host->Screens()) {
    (screen.save ? saves : restores) += 1;
    EXPECT_TRUE(screen.ok);
  }
  EXPECT_EQ(saves, restores);
  // The box is drawn from the progress thread only.
  for (const farhost::MessageRecord &box : host->ProgressBoxes())
    EXPECT_TRUE(box.otherThread);
}

} // namespace from_player
