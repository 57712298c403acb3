// Name conversion between the PC's and the player's code pages, and the
// language and help files as the host reads them.
#include "device/name_conversion.h"
#include "services/messages.h"
#include "sim/farhost/host_core.h"
#include "tests/support/core_host.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

namespace {

using davu::ToDeviceName;
using davu::ToPcName;

// A character through Windows' own code-page tables; 0 when the character
// has no form in `to`.
unsigned char Recode(unsigned char byte, UINT from, UINT to) {
  char in[2] = {static_cast<char>(byte), 0};
  wchar_t wide[4] = {};
  if (MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, in, 1, wide, 4) != 1)
    return 0;
  char out[4] = {};
  BOOL lossy = FALSE;
  if (WideCharToMultiByte(to, WC_NO_BEST_FIT_CHARS, wide, 1, out, sizeof out,
                          nullptr, &lossy) != 1 ||
      lossy)
    return 0;
  return static_cast<unsigned char>(out[0]);
}

std::string Converted(void (*convert)(const char *, char *),
                      const std::string &source) {
  std::string buffer(source.size() + 1, '\x7f');
  convert(source.c_str(), &buffer[0]);
  EXPECT_EQ(buffer[source.size()], '\0');
  return buffer.substr(0, source.size());
}

class NameConversion : public ::testing::Test {
protected:
  void SetUp() override { spine_test::InstallCoreHost(); }
};

TEST_F(NameConversion, BytesBelow0x80NeverChangeEitherWay) {
  std::string name = "C:\\Music\\Track 01 - intro/part.mp3";
  EXPECT_EQ(Converted(ToDeviceName, name), name);
  EXPECT_EQ(Converted(ToPcName, name), name);
}

TEST_F(NameConversion, ConvertsTheFileNameLetterByLetter) {
  // CP437 0x8E 0x81 ("Äü") is CP1252 0xC4 0xFC.
  std::string pc = "\x8E\x81.mp3";
  std::string device = Converted(ToDeviceName, pc);
  ASSERT_EQ(device.size(), pc.size());
  EXPECT_EQ(static_cast<unsigned char>(device[0]), Recode(0x8E, 437, 1252));
  EXPECT_EQ(static_cast<unsigned char>(device[1]), Recode(0x81, 437, 1252));
  EXPECT_EQ(device.substr(2), ".mp3");
  EXPECT_EQ(Converted(ToPcName, device), pc);
}

TEST_F(NameConversion, OnlyThePartAfterTheLastBackslashChanges) {
  std::string folder = "C:\\\x8E\x94rt\\sub\x81\\";
  std::string name = "\x8E.mp3";
  std::string device = Converted(ToDeviceName, folder + name);
  EXPECT_EQ(device.substr(0, folder.size()), folder);
  EXPECT_EQ(device.substr(folder.size()), Converted(ToDeviceName, name));
  // A folder with high bytes and a plain file name: nothing changes.
  EXPECT_EQ(Converted(ToDeviceName, folder + "plain.mp3"),
            folder + "plain.mp3");
  // A forward slash separates nothing.
  std::string slashed = Converted(ToDeviceName, "a/\x8E");
  EXPECT_NE(slashed, "a/\x8E");
}

TEST_F(NameConversion, InPlaceEqualsSecondBuffer) {
  std::string source = "D:\\M\x81sik\\\x80\x8E\x99\xE1 \xFF.wma";
  std::string separate = Converted(ToPcName, source);
  std::string inPlace = source;
  ToPcName(&inPlace[0], &inPlace[0]);
  EXPECT_EQ(inPlace, separate);
  std::string separateDevice = Converted(ToDeviceName, source);
  inPlace = source;
  ToDeviceName(&inPlace[0], &inPlace[0]);
  EXPECT_EQ(inPlace, separateDevice);
}

TEST_F(NameConversion, EmptyNamesAndTrailingBackslash) {
  char buffer[4] = {'x', 'y', 'z', 0};
  ToDeviceName("", buffer);
  EXPECT_EQ(buffer[0], '\0');
  ToPcName("", buffer);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(Converted(ToPcName, "\x8E\\"), "\x8E\\");
}

TEST_F(NameConversion, ShortTableLeavesBytesWithoutEntryUnchanged) {
  auto &record = spine_test::Recorded();
  std::string saved = record.messages[davu::MSG_TABLE_TO_PC];
  record.messages[davu::MSG_TABLE_TO_PC] = "\x41\x42"; // entries for 80, 81
  std::string out = Converted(ToPcName, "\x80\x81\x82\xFF");
  record.messages[davu::MSG_TABLE_TO_PC] = saved;
  EXPECT_EQ(out, "AB\x82\xFF");
}

TEST_F(NameConversion, WholeHighRangeRoundTrips) {
  std::string all;
  for (int b = 0x80; b <= 0xFF; ++b)
    all += static_cast<char>(b);
  EXPECT_EQ(Converted(ToDeviceName, Converted(ToPcName, all)), all);
  EXPECT_EQ(Converted(ToPcName, Converted(ToDeviceName, all)), all);
}

// --- language and help files ------------------------------------------------

struct LanguagePair {
  const char *lng;
  const char *hlf;
  UINT pcCodePage;
  UINT deviceCodePage;
};

class CatalogueFiles : public ::testing::TestWithParam<LanguagePair> {};

TEST_P(CatalogueFiles, HasEveryEntryAndInverseTables) {
  const LanguagePair &pair = GetParam();
  farhost::LangFile lang;
  std::string error;
  ASSERT_TRUE(farhost::ParseLangFile(
      testing_support::PluginBuildDir() + pair.lng, &lang, &error))
      << error;
  ASSERT_EQ(lang.messages.size(), static_cast<size_t>(davu::kMessageCount));
  EXPECT_TRUE(lang.warnings.empty());
  for (int id = 0; id < davu::kMessageCount; ++id) {
    if (id == davu::MSG_TABLE_TO_DEVICE || id == davu::MSG_TABLE_TO_PC)
      continue;
    EXPECT_FALSE(lang.messages[id].empty()) << id;
    // The info panel and dialogs show at most 79 characters.
    EXPECT_LE(lang.messages[id].size(), 79u) << id;
  }
  for (int id = davu::MSG_KEY_SWITCH; id <= davu::MSG_KEY_RECONNECT; ++id)
    EXPECT_LE(lang.messages[id].size(), 6u) << "key-bar label " << id;
  // The progress box cuts longer labels and units rather than let its
  // figures leave their columns.
  for (auto [id, limit] : {std::pair{davu::kProgressFileSizeLabel, 28u},
                           {davu::kProgressTotalSizeLabel, 28u},
                           {davu::kProgressFileTimeLabel, 30u},
                           {davu::kProgressTotalTimeLabel, 30u},
                           {davu::kProgressRateUnit, 8u}})
    EXPECT_LE(lang.messages[id].size(), limit) << "progress label " << id;

  const std::string &toDevice = lang.messages[davu::MSG_TABLE_TO_DEVICE];
  const std::string &toPc = lang.messages[davu::MSG_TABLE_TO_PC];
  ASSERT_EQ(toDevice.size(), 128u);
  ASSERT_EQ(toPc.size(), 128u);
  for (int k = 0; k < 128; ++k) {
    unsigned char device = toDevice[k];
    unsigned char pc = toPc[k];
    ASSERT_GE(device, 0x80) << k;
    ASSERT_GE(pc, 0x80) << k;
    EXPECT_EQ(static_cast<unsigned char>(toPc[device - 0x80]), 0x80 + k) << k;
    EXPECT_EQ(static_cast<unsigned char>(toDevice[pc - 0x80]), 0x80 + k) << k;
    // A character both code pages have keeps its identity.
    unsigned char same = Recode(0x80 + k, pair.pcCodePage, pair.deviceCodePage);
    if (same >= 0x80) {
      EXPECT_EQ(device, same) << "PC byte " << 0x80 + k;
    }
  }
}

TEST_P(CatalogueFiles, HelpHasEveryTopic) {
  std::vector<std::string> topics =
      farhost::HelpTopics(testing_support::PluginBuildDir() + GetParam().hlf);
  for (const char *topic :
       {"Contents", "Messages", "Uploading", "Downloading", "Deleting",
        "Formating", "Config", "Changing_Order"}) {
    bool found = false;
    for (const std::string &t : topics)
      found = found || _stricmp(t.c_str(), topic) == 0;
    EXPECT_TRUE(found) << topic;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Languages, CatalogueFiles,
    ::testing::Values(
        LanguagePair{"DAVUmanEng.lng", "DAVUmanEng.hlf", 437, 1252},
        LanguagePair{"DAVUmanRus.lng", "DAVUmanRus.hlf", 866, 1251}));

TEST(CatalogueFiles, RussianKnownLetters) {
  farhost::LangFile lang;
  std::string error;
  ASSERT_TRUE(farhost::ParseLangFile(
      testing_support::PluginBuildDir() + "DAVUmanRus.lng", &lang, &error));
  ASSERT_EQ(lang.messages.size(), static_cast<size_t>(davu::kMessageCount));
  // CP1251 0xC0 "А" is CP866 0x80; CP1251 0xFF "я" is CP866 0xEF.
  EXPECT_EQ(static_cast<unsigned char>(lang.messages[57][0xC0 - 0x80]), 0x80);
  EXPECT_EQ(static_cast<unsigned char>(lang.messages[56][0x80 - 0x80]), 0xC0);
  EXPECT_EQ(static_cast<unsigned char>(lang.messages[57][0xFF - 0x80]), 0xEF);
  EXPECT_EQ(lang.language, "Russian");
}

} // namespace
