// DOS times as file times and setting a file's write time.
#include "device/file_time.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

uint64_t Ticks(const FILETIME &time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) |
         time.dwLowDateTime;
}

// Windows' own conversion of the same words, read as local time.
FILETIME WindowsUtc(WORD date, WORD time) {
  FILETIME local = {}, utc = {};
  EXPECT_TRUE(::DosDateTimeToFileTime(date, time, &local));
  EXPECT_TRUE(::LocalFileTimeToFileTime(&local, &utc));
  return utc;
}

TEST(DosTime, MatchesWindowsInThisTimeZone) {
  // 1 January 2001, 12:30:58: year field 21, month 1, day 1; hour 12,
  // minute 30, seconds field 29.
  WORD date = (21 << 9) | (1 << 5) | 1;
  WORD time = (12 << 11) | (30 << 5) | 29;
  FILETIME ours = {};
  davu::DosDateTimeToUtcFileTime(date, time, &ours);
  EXPECT_EQ(Ticks(ours), Ticks(WindowsUtc(date, time)));

  FILETIME local = {};
  ASSERT_TRUE(FileTimeToLocalFileTime(&ours, &local));
  SYSTEMTIME shown = {};
  ASSERT_TRUE(FileTimeToSystemTime(&local, &shown));
  EXPECT_EQ(shown.wYear, 2001);
  EXPECT_EQ(shown.wMonth, 1);
  EXPECT_EQ(shown.wDay, 1);
  EXPECT_EQ(shown.wHour, 12);
  EXPECT_EQ(shown.wMinute, 30);
  EXPECT_EQ(shown.wSecond, 58);

  // The largest year and a summer date, where daylight time may apply.
  for (WORD d : {static_cast<WORD>((127 << 9) | (12 << 5) | 31),
                 static_cast<WORD>((44 << 9) | (7 << 5) | 15)}) {
    davu::DosDateTimeToUtcFileTime(d, time, &ours);
    EXPECT_EQ(Ticks(ours), Ticks(WindowsUtc(d, time)));
  }
  // Only the low 16 bits of each argument count.
  davu::DosDateTimeToUtcFileTime(0xABCD0000u | date, 0x12340000u | time, &ours);
  EXPECT_EQ(Ticks(ours), Ticks(WindowsUtc(date, time)));
}

TEST(DosTime, NoCalendarTimeGivesZero) {
  WORD time = (12 << 11);
  for (WORD date : {static_cast<WORD>(0), static_cast<WORD>((20 << 9) | 1),
                    static_cast<WORD>((20 << 9) | (13 << 5) | 1),
                    static_cast<WORD>((20 << 9) | (2 << 5) | 30)}) {
    FILETIME out = {1, 1};
    davu::DosDateTimeToUtcFileTime(date, time, &out);
    EXPECT_EQ(Ticks(out), 0u) << date;
  }
  FILETIME out = {1, 1};
  davu::DosDateTimeToUtcFileTime((20 << 9) | (1 << 5) | 1, 25 << 11, &out);
  EXPECT_EQ(Ticks(out), 0u);
}

TEST(LastWriteTime, SetsOnlyTheWriteTimeOfAnExistingFile) {
  testing_support::TempDir dir;
  std::string path = dir / "song.mp3";
  ASSERT_TRUE(testing_support::WriteFileBytes(path, "abc"));
  FILETIME wanted = WindowsUtc((21 << 9) | (1 << 5) | 1, (12 << 11));
  davu::SetLastWriteTime(path.c_str(), wanted);
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(Ticks(data.ftLastWriteTime), Ticks(wanted));

  std::string missing = dir / "missing.mp3";
  davu::SetLastWriteTime(missing.c_str(), wanted);
  EXPECT_FALSE(testing_support::FileExists(missing));
}

} // namespace
