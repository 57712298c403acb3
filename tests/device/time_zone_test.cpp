// File times east of UTC: what the player stores is local time, what the
// panel and the PC get is UTC. Runs in a zone set for the process (TZ) and
// checks first that the zone is really in force.
#include "tests/support/commands_fixture.h"

#include <cstdlib>
#include <cstring>
#include <vector>

using testing_support::WriteFileBytes;

namespace commands_test {
namespace {

constexpr int kGoOn = 0;
constexpr uint64_t kTicksPerSecond = 10000000;

struct LocalTime {
  int year, month, day, hour, minute, second;
};

// Local times on the player. The offset moves the first past midnight and
// the last into the year before.
const LocalTime kTimes[] = {
    {2004, 7, 1, 0, 10, 0},
    {2021, 1, 15, 12, 30, 58},
    {2000, 1, 1, 1, 0, 2},
};

uint64_t Ticks(const FILETIME &t) {
  return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

FILETIME FromTicks(uint64_t ticks) {
  FILETIME t;
  t.dwLowDateTime = static_cast<DWORD>(ticks);
  t.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return t;
}

// Minutes east of UTC of the zone this run was started in.
int EastMinutes() {
  const char *text = getenv("DAVU_TEST_EAST_MINUTES");
  return text ? atoi(text) : 0;
}

// The calendar time as a count of ticks, with no zone applied.
uint64_t CalendarTicks(const LocalTime &t) {
  SYSTEMTIME calendar = {};
  calendar.wYear = static_cast<WORD>(t.year);
  calendar.wMonth = static_cast<WORD>(t.month);
  calendar.wDay = static_cast<WORD>(t.day);
  calendar.wHour = static_cast<WORD>(t.hour);
  calendar.wMinute = static_cast<WORD>(t.minute);
  calendar.wSecond = static_cast<WORD>(t.second);
  FILETIME ticks = {};
  EXPECT_TRUE(SystemTimeToFileTime(&calendar, &ticks));
  return Ticks(ticks);
}

// The moment in UTC at which the zone's clocks show `t`.
uint64_t UtcOf(const LocalTime &t) {
  return CalendarTicks(t) - EastMinutes() * 60 * kTicksPerSecond;
}

simplayer::DosStamp Stamp(const LocalTime &t) {
  return simplayer::MakeDosStamp(t.year, t.month, t.day, t.hour, t.minute,
                                 t.second);
}

uint64_t LastWriteTicks(const std::string &path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(file, INVALID_HANDLE_VALUE) << path;
  FILETIME written = {};
  if (file != INVALID_HANDLE_VALUE) {
    EXPECT_TRUE(GetFileTime(file, nullptr, nullptr, &written));
    CloseHandle(file);
  }
  return Ticks(written);
}

bool SetLastWriteTicks(const std::string &path, uint64_t ticks) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  FILETIME written = FromTicks(ticks);
  bool ok = SetFileTime(file, nullptr, nullptr, &written) != 0;
  CloseHandle(file);
  return ok;
}

// A text of the module's version resource, "" when it has none.
std::string VersionText(const std::string &module, const char *name) {
  DWORD unused = 0;
  DWORD size = GetFileVersionInfoSizeA(module.c_str(), &unused);
  std::vector<char> data(size);
  char *text = nullptr;
  UINT length = 0;
  std::string query = std::string("\\StringFileInfo\\040904B0\\") + name;
  if (size == 0 || !GetFileVersionInfoA(module.c_str(), 0, size, data.data()) ||
      !VerQueryValueA(data.data(), query.c_str(),
                      reinterpret_cast<void **>(&text), &length) ||
      !text)
    return "";
  return std::string(text, strnlen(text, length));
}

std::string Name(size_t i) {
  return "song" + std::to_string(i) + ".mp3";
}

class EastOfUtcTest : public CommandsTest {
protected:
  void SetUp() override {
    CommandsTest::SetUp();
    // Without the zone this would prove nothing: UTC hides the fault.
    TIME_ZONE_INFORMATION zone = {};
    GetTimeZoneInformation(&zone);
    ASSERT_GT(EastMinutes(), 0) << "run with TZ and DAVU_TEST_EAST_MINUTES";
    ASSERT_EQ(zone.Bias, -EastMinutes()) << "the zone did not take effect";
  }
};

TEST_F(EastOfUtcTest, ListingGivesTheUtcTimeOfEachLocalStamp) {
  const size_t n = sizeof kTimes / sizeof kTimes[0];
  for (size_t i = 0; i < n; ++i) {
    simplayer::FileTimes times;
    times.creation = Stamp(kTimes[i]);
    times.lastAccess = Stamp(kTimes[(i + 1) % n]);
    times.lastWrite = Stamp(kTimes[(i + 2) % n]);
    Put(davu::MEM_INTERNAL, Name(i), "x", times);
  }
  Load();
  // The DLL under test is the release build a user installs.
  EXPECT_EQ(VersionText(host->ModulePath(), "ProductName"), "DAVU Manager");
  EXPECT_FALSE(VersionText(host->ModulePath(), "FileVersion").empty());
  for (size_t i = 0; i < n; ++i) {
    farapi::PluginPanelItem item = plugin_fixture::PanelItem(*host, Name(i));
    EXPECT_EQ(Ticks(item.FindData.ftCreationTime), UtcOf(kTimes[i])) << i;
    EXPECT_EQ(Ticks(item.FindData.ftLastAccessTime), UtcOf(kTimes[(i + 1) % n]))
        << i;
    EXPECT_EQ(Ticks(item.FindData.ftLastWriteTime), UtcOf(kTimes[(i + 2) % n]))
        << i;
  }
}

TEST_F(EastOfUtcTest, CopyAllGivesPcFilesTheUtcTimeOfTheLocalStamp) {
  const size_t n = sizeof kTimes / sizeof kTimes[0];
  for (size_t i = 0; i < n; ++i)
    Put(i % 2 ? davu::MEM_EXTERNAL : davu::MEM_INTERNAL, Name(i), "x",
        simplayer::SameTimes(Stamp(kTimes[i])));
  // After them a file whose date is no calendar date: it must not take the
  // time of the file before it, but keep the time it was written.
  Put(davu::MEM_EXTERNAL, "undated.mp3", "x",
      simplayer::SameTimes(simplayer::DosStamp{0, 0}));
  Load();
  FILETIME now = {};
  GetSystemTimeAsFileTime(&now);
  host->QueueAnswer(kGoOn);
  ASSERT_EQ(ShiftKey(VK_F5), 1);
  for (size_t i = 0; i < n; ++i)
    EXPECT_EQ(LastWriteTicks(pc / Name(i)), UtcOf(kTimes[i])) << i;
  EXPECT_GE(LastWriteTicks(pc / "undated.mp3") + 2 * kTicksPerSecond,
            Ticks(now));
}

TEST_F(EastOfUtcTest, RoundTripPcPlayerPcKeepsTheTimeToTwoSeconds) {
  // PC times in UTC, odd seconds among them: DOS keeps even seconds only.
  const size_t n = sizeof kTimes / sizeof kTimes[0];
  std::vector<uint64_t> sent(n);
  Load();
  for (size_t i = 0; i < n; ++i) {
    sent[i] = UtcOf(kTimes[i]) + (i % 2) * kTicksPerSecond;
    ASSERT_TRUE(WriteFileBytes(pc / Name(i), "pc"));
    ASSERT_TRUE(SetLastWriteTicks(pc / Name(i), sent[i]));
  }
  host->RereadPc();
  for (size_t i = 0; i < n; ++i)
    ASSERT_TRUE(host->SelectPc(Name(i), true));
  host->QueueAnswer(kGoOn);
  ASSERT_EQ(host->CopyFromPc(false), 1);
  for (size_t i = 0; i < n; ++i)
    ASSERT_TRUE(DeleteFileA((pc / Name(i)).c_str()));

  host->Refresh(false);
  host->SelectAll(true);
  host->QueueAnswer(kGoOn);
  ASSERT_EQ(host->CopyToPc(false), 1);
  for (size_t i = 0; i < n; ++i) {
    uint64_t back = LastWriteTicks(pc / Name(i));
    uint64_t apart = back > sent[i] ? back - sent[i] : sent[i] - back;
    EXPECT_LT(apart, 2 * kTicksPerSecond) << i;
  }
}

} // namespace
} // namespace commands_test
