#include "tests/from_player/from_player_fixture.h"

#include <tlhelp32.h>

#include <algorithm>

namespace from_player {

int ThreadsOfThisProcess() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE)
    return -1;
  int count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more;
       more = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == GetCurrentProcessId())
      ++count;
  CloseHandle(snapshot);
  return count;
}

std::string CurrentFolder() {
  char buffer[4096] = {};
  GetCurrentDirectoryA(sizeof buffer, buffer);
  return buffer;
}

std::string Bare(const std::string &folder) {
  std::string path = folder;
  if (!path.empty() && path.back() == '\\')
    path.pop_back();
  return path;
}

void FromPlayerTest::SetUp() {
  ASSERT_TRUE(farhost::MakePluginFolder(pluginDir.Path()));
  registryRoot = testing_support::UniqueRegistryRoot("fromplayer");
  std::string error;
  ASSERT_TRUE(
      simplayer::CreateStore(Bare(playerDir.Path()), 1000000, 1000000, &error))
      << error;
  SetEnvironmentVariableA("DAVU_PLAYER", Bare(playerDir.Path()).c_str());
  pc = pcRoot / "dest";
  ASSERT_TRUE(CreateDirectoryA(pc.c_str(), nullptr));
}

void FromPlayerTest::TearDown() {
  if (host) {
    // No progress thread or window outlives an operation.
    EXPECT_EQ(FindWindowA("DAVU_CLASS", nullptr), nullptr);
    EXPECT_EQ(ThreadsOfThisProcess(), threadsAtOpen);
    EXPECT_EQ(host->OpenScreens(), 0);
  }
  host.reset();
  SetEnvironmentVariableA("DAVU_PLAYER", nullptr);
  testing_support::DeleteRegistryTree(registryRoot);
  // Read-only files would stay behind in the temporary folders.
  for (const std::string &name : testing_support::ListFolder(pc + "\\"))
    SetFileAttributesA((pc + "\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
}

void FromPlayerTest::Open(int memory) {
  farhost::HostOptions options;
  options.rootKey = registryRoot;
  options.progress = farhost::ProgressMode::All;
  options.echoCalls = false;
  host.reset(new farhost::Host(options));
  std::string error;
  ASSERT_TRUE(host->Load(pluginDir.Path(), &error)) << error;
  HANDLE panel = host->OpenPlugin(farapi::OPEN_PLUGINSMENU);
  ASSERT_TRUE(host->PanelOpen());
  session = static_cast<davu::PanelSession *>(panel);
  if (memory != simplayer::kInternal) {
    session->Memory = memory;
    Relist();
  }
  ASSERT_TRUE(host->SetPcFolder(pc));
  std::string log = Bare(playerDir.Path());
  simplayer::ClearCallLog(log);
  host->ClearRecords(); // the connecting box is not the operation's
  threadsAtOpen = ThreadsOfThisProcess();
}

void FromPlayerTest::Relist() {
  host->Refresh(false);
}

simplayer::PlayerStore FromPlayerTest::Store() {
  simplayer::PlayerStore store;
  std::string error;
  EXPECT_TRUE(simplayer::LoadStore(Bare(playerDir.Path()), &store, &error))
      << error;
  return store;
}

void FromPlayerTest::SaveStore(const simplayer::PlayerStore &store) {
  std::string error;
  EXPECT_TRUE(simplayer::SaveStore(store, &error)) << error;
}

uint16_t FromPlayerTest::OnPlayer(int memory, const std::string &name,
                                  const std::string &bytes,
                                  const simplayer::DosStamp &stamp) {
  simplayer::PlayerStore store = Store();
  uint16_t index = 0;
  std::string error;
  EXPECT_EQ(simplayer::PutBytes(&store, memory, name, bytes,
                                simplayer::SameTimes(stamp), &index, &error),
            simplayer::PutResult::Done)
      << error;
  return index;
}

Names FromPlayerTest::PlayerNames(int memory) {
  Names names;
  for (const simplayer::StoredFile &file : Store().memories[memory].files)
    names.push_back(file.name);
  std::sort(names.begin(), names.end());
  return names;
}

void FromPlayerTest::Chunks(uint32_t chunk) {
  simplayer::PlayerStore store = Store();
  store.config.chunkSize = chunk;
  SaveStore(store);
}

void FromPlayerTest::FailUploadOf(uint16_t index) {
  simplayer::PlayerStore store = Store();
  simplayer::FailRule rule;
  rule.method = "Upload";
  rule.index = index;
  store.config.failRules.push_back(rule);
  SaveStore(store);
}

std::vector<simplayer::CallRecord>
FromPlayerTest::Calls(const std::string &method) {
  std::vector<simplayer::CallRecord> all, matching;
  simplayer::ReadCallLog(Bare(playerDir.Path()), &all);
  for (const simplayer::CallRecord &call : all)
    if (call.method == method)
      matching.push_back(call);
  return matching;
}

farapi::PluginPanelItem FromPlayerTest::Item(const std::string &name) {
  for (const farhost::PanelEntry &entry : host->Model().entries)
    if (!entry.dots && entry.Name() == name)
      return entry.item;
  ADD_FAILURE() << "no panel item " << name;
  return farapi::PluginPanelItem{};
}

std::vector<farapi::PluginPanelItem> FromPlayerTest::Items(const Names &names) {
  std::vector<farapi::PluginPanelItem> items;
  for (const std::string &name : names)
    items.push_back(Item(name));
  return items;
}

bool FromPlayerTest::SelectOnly(const Names &names) {
  host->SelectAll(false);
  for (const std::string &name : names)
    if (!host->Select(name, true))
      return false;
  return true;
}

std::vector<std::string>
FromPlayerTest::MsgTexts(std::initializer_list<int> ids) {
  std::vector<std::string> texts;
  for (int id : ids)
    texts.push_back(Msg(id));
  return texts;
}

Names FromPlayerTest::ProgressItemLines() {
  Names lines;
  for (const farhost::MessageRecord &box : host->ProgressBoxes())
    if (box.items.size() > 1 && (lines.empty() || lines.back() != box.items[1]))
      lines.push_back(box.items[1]);
  return lines;
}

void FromPlayerTest::ExpectCleanHost() {
  for (const std::string &problem : host->Problems())
    ADD_FAILURE() << problem;
  EXPECT_EQ(host->OpenScreens(), 0);
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
