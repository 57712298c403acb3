#include "tests/e2e/e2e_players.h"

#ifdef DAVU_HAVE_PLAYER_STORE
namespace e2e {

const char kHighName[] = "\x80\x81\xE0 song.mp3";
const char kHighPcName[] = "\x9E\xA9\x85 song.mp3";

std::string Pattern(char seed, size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>(seed + i % 61);
  return bytes;
}

namespace {

void NewStore(const Case &c, uint32_t internalSize,
              simplayer::PlayerStore *store) {
  std::string error;
  ASSERT_TRUE(
      simplayer::CreateStore(c.playerFolder, internalSize, 33554432, &error))
      << error;
  ASSERT_TRUE(simplayer::LoadStore(c.playerFolder, store, &error)) << error;
  store->config.versionText = "DAVU test player 2.1";
}

struct Sample {
  int memory;
  const char *name;
  char seed;
  size_t size;
  bool late; // the second of the two times
};

void PutSamples(simplayer::PlayerStore *store, const Sample *samples,
                size_t count, bool patterned) {
  simplayer::FileTimes t1 =
      simplayer::SameTimes(simplayer::MakeDosStamp(2004, 3, 1, 10, 15, 0));
  simplayer::FileTimes t2 =
      simplayer::SameTimes(simplayer::MakeDosStamp(2005, 12, 31, 23, 59, 58));
  uint16_t index = 0;
  std::string error;
  for (size_t i = 0; i < count; ++i) {
    const Sample &s = samples[i];
    std::string bytes =
        patterned ? Pattern(s.seed, s.size) : std::string(s.size, s.seed);
    ASSERT_EQ(simplayer::PutBytes(store, s.memory, s.name, bytes,
                                  s.late ? t2 : t1, &index, &error),
              simplayer::PutResult::Done)
        << error;
  }
}

} // namespace

void SamplePlayer(const Case &c, int connectResult) {
  simplayer::PlayerStore store;
  NewStore(c, 16777216, &store);
  store.config.connectResult = connectResult;
  std::string error;
  ASSERT_TRUE(simplayer::SaveStore(store, &error)) << error;
  const Sample samples[] = {
      {simplayer::kInternal, "01 Intro.mp3", 'a', 1000, false},
      {simplayer::kInternal, kHighName, 'b', 2048, true},
      {simplayer::kInternal, "Config.dat", 'c', 16, false},
      {simplayer::kExternal, "Card.wma", 'd', 4096, true}};
  PutSamples(&store, samples, sizeof samples / sizeof samples[0], false);
}

void OperationsPlayer(const Case &c, uint32_t internalSize) {
  simplayer::PlayerStore store;
  NewStore(c, internalSize, &store);
  store.config.chunkSize = 16384;
  std::string error;
  ASSERT_TRUE(simplayer::SaveStore(store, &error)) << error;
  const Sample samples[] = {
      {simplayer::kInternal, "01 Intro.mp3", 'a', 40000, false},
      {simplayer::kInternal, kHighName, 'b', 20000, true},
      {simplayer::kInternal, "Config.dat", 'c', 16, false},
      {simplayer::kInternal, "03 Outro.mp3", 'd', 30000, true},
      {simplayer::kExternal, "Card.wma", 'e', 50000, true},
      {simplayer::kExternal, "Config.dat", 'f', 32, false}};
  PutSamples(&store, samples, sizeof samples / sizeof samples[0], true);
}

simplayer::PlayerStore LoadPlayer(const Case &c) {
  simplayer::PlayerStore store;
  std::string error;
  EXPECT_TRUE(simplayer::LoadStore(c.playerFolder, &store, &error)) << error;
  return store;
}

std::vector<std::string> PlayerNames(const Case &c, int memory) {
  simplayer::PlayerStore store = LoadPlayer(c);
  std::vector<std::string> names;
  for (const simplayer::StoredFile &f : store.memories[memory].files)
    names.push_back(f.name);
  return names;
}

std::string PlayerBytes(const Case &c, int memory, const std::string &name) {
  simplayer::PlayerStore store = LoadPlayer(c);
  for (const simplayer::StoredFile &f : store.memories[memory].files) {
    std::string bytes;
    if (f.name == name &&
        simplayer::ReadContents(store, memory, f.index, &bytes))
      return bytes;
  }
  return "<none>";
}

void WriteDatedFile(const std::string &path, const std::string &bytes) {
  ASSERT_TRUE(testing_support::WriteFileBytes(path, bytes)) << path;
  SYSTEMTIME local{};
  local.wYear = 2006;
  local.wMonth = 7;
  local.wDay = 14;
  local.wHour = 12;
  FILETIME localTime, utc;
  ASSERT_TRUE(SystemTimeToFileTime(&local, &localTime));
  ASSERT_TRUE(LocalFileTimeToFileTime(&localTime, &utc));
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &utc));
  CloseHandle(file);
}

std::string ReadThroughFileApis(const std::string &path) {
  std::string bytes;
  if (!testing_support::ReadThroughFileApis(path, &bytes))
    return "<cannot open " + path + ">";
  return bytes;
}

} // namespace e2e
#endif
