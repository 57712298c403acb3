// An operation that cannot go on stops with one notice that says so, and
// the host gets the export's failure value with the screen and the device
// operation ended as on any other way out. Here the plug-in cannot have
// the memory to keep one byte per item of a count no 32-bit process can
// hold; it asks for that before it looks at any item.
#include "services/messages.h"
#include "tests/support/plugin_fixture.h"

#include <climits>
#include <cstdio>

namespace {

using plugin_fixture::Bare;
using testing_support::TempDir;

TEST(StoppedOperation, OutOfMemoryIsToldOnceAndTheCopyFails) {
  TempDir pluginDir, playerDir, pc;
  ASSERT_TRUE(farhost::MakePluginFolder(pluginDir.Path()));
  std::string registryRoot = testing_support::UniqueRegistryRoot("stopped");
  ASSERT_TRUE(plugin_fixture::StartPlayer(Bare(playerDir), 1000000, 0));
  std::unique_ptr<farhost::Host> host;
  davu::PanelSession *session = nullptr;
  ASSERT_TRUE(
      plugin_fixture::LoadPlugin(registryRoot, pluginDir.Path(), &host));
  ASSERT_TRUE(plugin_fixture::OpenPanel(*host, &session));
  host->ClearRecords();

  farapi::PluginPanelItem item = {};
  snprintf(item.FindData.cFileName, sizeof item.FindData.cFileName, "A.mp3");
  std::string destination = Bare(pc);
  int result = host->Api().GetFiles(host->Panel(), &item, INT_MAX, 0,
                                    &destination[0], farapi::OPM_SILENT);
  EXPECT_EQ(result, -1);

  const auto &messages = host->Language().messages;
  char expected[256];
  snprintf(expected, sizeof expected, messages.at(davu::MSG_STOPPED).c_str(),
           messages.at(davu::MSG_STOPPED_NO_MEMORY).c_str());
  int told = 0;
  for (const farhost::MessageRecord &box : host->Boxes())
    for (const std::string &line : box.items)
      told += line == expected;
  EXPECT_EQ(told, 1);
  plugin_fixture::ExpectCleanHost(*host);

  host.reset();
  plugin_fixture::StopPlayer();
  testing_support::DeleteRegistryTree(registryRoot);
}

} // namespace
