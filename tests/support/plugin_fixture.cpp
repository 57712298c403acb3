#include "tests/support/plugin_fixture.h"

#include "services/messages.h"

namespace plugin_fixture {

std::string Bare(const std::string &folder) {
  std::string path = folder;
  if (!path.empty() && path.back() == '\\')
    path.pop_back();
  return path;
}

std::string Bare(const testing_support::TempDir &dir) {
  return Bare(dir.Path());
}

testing::AssertionResult StartPlayer(const std::string &folder,
                                     uint32_t internalBytes,
                                     uint32_t cardBytes) {
  std::string error;
  if (!simplayer::CreateStore(folder, internalBytes, cardBytes, &error))
    return testing::AssertionFailure() << error;
  SetEnvironmentVariableA("DAVU_PLAYER", folder.c_str());
  return testing::AssertionSuccess();
}

void StopPlayer() {
  SetEnvironmentVariableA("DAVU_PLAYER", nullptr);
}

simplayer::PlayerStore ReadPlayer(const std::string &folder) {
  simplayer::PlayerStore store;
  std::string error;
  EXPECT_TRUE(simplayer::LoadStore(folder, &store, &error)) << error;
  return store;
}

void WritePlayer(const simplayer::PlayerStore &store) {
  std::string error;
  EXPECT_TRUE(simplayer::SaveStore(store, &error)) << error;
}

void ChangePlayer(const std::string &folder,
                  const std::function<void(simplayer::PlayerStore &)> &change) {
  simplayer::PlayerStore store = ReadPlayer(folder);
  change(store);
  WritePlayer(store);
}

testing::AssertionResult PutOnPlayer(const std::string &folder, int memory,
                                     const std::string &name,
                                     const std::string &bytes,
                                     const simplayer::FileTimes &times,
                                     uint16_t *index) {
  simplayer::PlayerStore store = ReadPlayer(folder);
  uint16_t put = 0;
  std::string error;
  if (simplayer::PutBytes(&store, memory, name, bytes, times, &put, &error) !=
      simplayer::PutResult::Done)
    return testing::AssertionFailure()
           << "cannot put " << name << ": " << error;
  if (index)
    *index = put;
  return testing::AssertionSuccess();
}

Names PlayerNames(const std::string &folder, int memory) {
  Names names;
  for (const simplayer::StoredFile &file :
       ReadPlayer(folder).memories[memory].files)
    names.push_back(file.name);
  return names;
}

std::string PlayerBytes(const std::string &folder, int memory,
                        const std::string &name) {
  simplayer::PlayerStore store = ReadPlayer(folder);
  for (const simplayer::StoredFile &file : store.memories[memory].files) {
    std::string bytes;
    if (file.name == name &&
        simplayer::ReadContents(store, memory, file.index, &bytes))
      return bytes;
  }
  return "<missing>";
}

std::vector<simplayer::CallRecord> CallsTo(const std::string &folder,
                                           const std::string &method) {
  std::vector<simplayer::CallRecord> all, chosen;
  simplayer::ReadCallLog(folder, &all);
  for (const simplayer::CallRecord &call : all)
    if (method.empty() || call.method == method)
      chosen.push_back(call);
  return chosen;
}

testing::AssertionResult LoadPlugin(const std::string &registryRoot,
                                    const std::string &pluginFolder,
                                    std::unique_ptr<farhost::Host> *host) {
  farhost::HostOptions options;
  options.rootKey = registryRoot;
  options.progress = farhost::ProgressMode::All;
  options.echoCalls = false;
  host->reset(new farhost::Host(options));
  std::string error;
  if (!(*host)->Load(pluginFolder, &error))
    return testing::AssertionFailure() << error;
  return testing::AssertionSuccess();
}

testing::AssertionResult OpenPanel(farhost::Host &host,
                                   davu::PanelSession **session) {
  HANDLE panel = host.OpenPlugin(farapi::OPEN_PLUGINSMENU);
  if (!host.PanelOpen())
    return testing::AssertionFailure() << "the panel did not open";
  *session = static_cast<davu::PanelSession *>(panel);
  return testing::AssertionSuccess();
}

Names PanelNames(farhost::Host &host) {
  Names names;
  for (const farhost::PanelEntry &entry : host.Model().entries)
    names.push_back(entry.Name());
  return names;
}

farapi::PluginPanelItem PanelItem(farhost::Host &host,
                                  const std::string &name) {
  for (const farhost::PanelEntry &entry : host.Model().entries)
    if (!entry.dots && entry.Name() == name)
      return entry.item;
  ADD_FAILURE() << "no panel item " << name;
  return farapi::PluginPanelItem{};
}

bool SelectOnly(farhost::Host &host, const Names &names) {
  host.SelectAll(false);
  for (const std::string &name : names)
    if (!host.Select(name, true))
      return false;
  return true;
}

Names BoxTexts(farhost::Host &host) {
  Names texts;
  for (const farhost::MessageRecord &box : host.Boxes())
    texts.push_back(box.items.size() > 1 ? box.items[1] : "");
  return texts;
}

Names ProgressItemLines(farhost::Host &host) {
  Names lines;
  for (const farhost::MessageRecord &box : host.ProgressBoxes())
    if (box.items.size() > 1 && (lines.empty() || lines.back() != box.items[1]))
      lines.push_back(box.items[1]);
  return lines;
}

void ExpectCleanHost(farhost::Host &host) {
  for (const std::string &problem : host.Problems())
    ADD_FAILURE() << problem;
  EXPECT_EQ(host.OpenScreens(), 0);
}

std::string DeviceSpelling(farhost::Host &host, const std::string &name) {
  const std::string &table =
      host.Language().messages.at(davu::MSG_TABLE_TO_DEVICE);
  std::string out = name;
  for (char &c : out)
    if (static_cast<unsigned char>(c) >= 0x80)
      c = table.at(static_cast<unsigned char>(c) - 0x80);
  return out;
}

} // namespace plugin_fixture
