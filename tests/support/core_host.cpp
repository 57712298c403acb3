#include "tests/support/core_host.h"

#include "services/plugin_state.h"
#include "sim/farhost/host_core.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace spine_test {

namespace {

CoreHostRecord record;
int next_screen = 1;

const char *WINAPI GetMsg(int, int id) {
  if (id < 0 || id >= static_cast<int>(record.messages.size()))
    return "";
  return record.messages[id].c_str();
}

int WINAPI Message(int, DWORD flags, const char *help, const char *const *items,
                   int count, int buttons) {
  RecordedBox box;
  box.flags = flags;
  box.helpTopic = help ? help : "";
  for (int i = 0; i < count; ++i)
    box.items.push_back(items[i]);
  box.buttons = buttons;
  record.boxes.push_back(box);
  return 0;
}

HANDLE WINAPI SaveScreen(int, int, int, int) {
  ++record.saves;
  return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(next_screen++));
}

void WINAPI RestoreScreen(HANDLE) {
  ++record.restores;
}

} // namespace

CoreHostRecord &InstallCoreHost(const char *rootKey) {
  if (record.messages.empty()) {
    farhost::LangFile lang;
    std::string error;
    EXPECT_TRUE(farhost::ParseLangFile(
        testing_support::PluginBuildDir() + "DAVUmanEng.lng", &lang, &error))
        << error;
    record.messages = lang.messages;
  }
  record.boxes.clear();
  record.saves = record.restores = 0;
  farapi::PluginStartupInfo &info = davu::HostInfo;
  info = farapi::PluginStartupInfo{};
  info.StructSize = sizeof info;
  snprintf(info.ModuleName, sizeof info.ModuleName,
           "C:\\FAR\\Plugins\\DAVUman\\DAVUman.dll");
  info.RootKey = rootKey;
  info.GetMsg = GetMsg;
  info.Message = Message;
  info.SaveScreen = SaveScreen;
  info.RestoreScreen = RestoreScreen;
  return record;
}

CoreHostRecord &Recorded() {
  return record;
}

std::vector<std::string> Texts(std::initializer_list<int> ids) {
  std::vector<std::string> texts;
  for (int id : ids)
    texts.push_back(record.messages.at(id));
  return texts;
}

} // namespace spine_test
