// What a FAR user does on the player's panel beyond the scripted basics:
// search, quick view, edit, a failed replace, big memories, names the PC
// or FAR's code page cannot hold, an unplugged player, a missing card and
// a send with nothing to send. Each case under every host profile.
#include "tests/e2e/e2e_players.h"

#include <gtest/gtest.h>

#ifdef DAVU_HAVE_PLAYER_STORE
using namespace e2e;

class EndToEndUserKeys : public e2e::HostProfileTest {};
E2E_FOR_EVERY_HOST(EndToEndUserKeys);

namespace {

void ChangeStore(const Case &c, void (*change)(simplayer::PlayerStore *store)) {
  simplayer::PlayerStore store = LoadPlayer(c);
  change(&store);
  std::string error;
  ASSERT_TRUE(simplayer::SaveStore(store, &error)) << error;
}

simplayer::FailRule Rule(const char *method, int nth, int result) {
  simplayer::FailRule rule;
  rule.method = method;
  rule.nth = nth;
  rule.result = result;
  return rule;
}

const std::vector<std::string> kInternalOrder = {"01 Intro.mp3", kHighName,
                                                 "Config.dat", "03 Outro.mp3"};

struct UserKeyCase {
  const char *name;
  const char *options;
  void (*prepare)(const Case &c); // after the operations player
  void (*check)(const Case &c);
};

void PlayerUnchanged(const Case &c) {
  EXPECT_EQ(PlayerNames(c, simplayer::kInternal), kInternalOrder);
}

const UserKeyCase kCases[] = {
    {"find_silent", "", [](const Case &) {}, PlayerUnchanged},
    {"quickview_keys", "", [](const Case &) {}, PlayerUnchanged},
    {"edit_save", "", [](const Case &) {},
     [](const Case &c) { // in its place, with the change
       PlayerUnchanged(c);
       EXPECT_EQ(PlayerBytes(c, simplayer::kInternal, "Config.dat"),
                 Pattern('c', 16) + " edited");
     }},
    {"failed_replace", "",
     [](const Case &c) {
       WriteDatedFile(c.pcFolder + "01 Intro.mp3", Pattern('p', 30000));
       ChangeStore(c, [](simplayer::PlayerStore *s) {
         s->config.failRules.push_back(Rule("Download", 1, 1));
       });
     },
     [](const Case &c) { // the old file went; the PC file stays
       EXPECT_EQ(
           PlayerNames(c, simplayer::kInternal),
           (std::vector<std::string>{kHighName, "Config.dat", "03 Outro.mp3"}));
       std::string bytes;
       EXPECT_TRUE(
           testing_support::ReadFileBytes(c.pcFolder + "01 Intro.mp3", &bytes));
       EXPECT_EQ(bytes, Pattern('p', 30000));
     }},
    {"big_memories", "",
     [](const Case &c) {
       ChangeStore(c, [](simplayer::PlayerStore *s) {
         s->memories[simplayer::kInternal].capacity = 2147483647u;
         s->memories[simplayer::kExternal].capacity = 2147483647u;
       });
     },
     PlayerUnchanged},
    {"bad_names", "",
     [](const Case &c) {
       std::string error;
       simplayer::PlayerStore store = LoadPlayer(c);
       uint16_t index = 0;
       for (const char *name : {"What is love?.mp3", "Star*.mp3", "a|b.mp3"})
         ASSERT_EQ(simplayer::PutBytes(&store, simplayer::kInternal, name, "x",
                                       simplayer::CurrentTimes(), &index,
                                       &error),
                   simplayer::PutResult::Done)
             << error;
       // A name of characters no OEM code page has: FAR gives "??.mp3".
       HANDLE f =
           CreateFileW((std::wstring(c.pcFolder.begin(), c.pcFolder.end()) +
                        L"\x97F3\x697D.mp3")
                           .c_str(),
                       GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
       ASSERT_NE(f, INVALID_HANDLE_VALUE);
       CloseHandle(f);
     },
     [](const Case &c) { // the four good names went, nothing stray
       EXPECT_EQ(testing_support::ListFolder(c.pcFolder).size(), 5u);
       EXPECT_EQ(PlayerNames(c, simplayer::kInternal).size(), 7u);
     }},
    {"unplugged_info", "",
     [](const Case &c) {
       ChangeStore(c, [](simplayer::PlayerStore *s) {
         simplayer::FailRule rule = Rule("FindFirstInternal", 2, 0);
         rule.unplug = true;
         s->config.failRules.push_back(rule);
       });
     },
     [](const Case &) {}},
    {"no_card", "",
     [](const Case &c) {
       WriteDatedFile(c.pcFolder + "Song.mp3", Pattern('s', 20000));
       ChangeStore(c, [](simplayer::PlayerStore *s) {
         simplayer::FailRule out = Rule("FindFirstExternal", 1, 0);
         out.cardOut = true;
         s->config.failRules.push_back(out);
         s->config.failRules.push_back(Rule("FormatInternal", 1, 5));
       });
     },
     [](const Case &c) { // nothing formatted, nothing sent
       PlayerUnchanged(c);
       EXPECT_TRUE(testing_support::FileExists(c.pcFolder + "Song.mp3"));
     }},
    {"nothing_to_send", "",
     [](const Case &c) {
       ASSERT_TRUE(CreateDirectoryA((c.pcFolder + "empty").c_str(), nullptr));
     },
     [](const Case &c) {
       PlayerUnchanged(c);
       EXPECT_TRUE(testing_support::FileExists(c.pcFolder + "empty"));
     }},
    {"move_to_title", "--lang Russian", [](const Case &) {}, PlayerUnchanged},
};

} // namespace

TEST_P(EndToEndUserKeys, EveryKeyAndFaultGivesTheSoundOutcome) {
  for (const UserKeyCase &uk : kCases) {
    SCOPED_TRACE(uk.name);
    Case c(uk.name);
    c.options = uk.options;
    OperationsPlayer(c);
    uk.prepare(c);
    c.RunAndCompare();
    uk.check(c);
  }
}
#endif
