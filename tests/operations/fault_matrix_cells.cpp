// Arranging and acting out one cell of the fault matrix.
#include "tests/operations/fault_matrix.h"

namespace fault_matrix {

Files FaultMatrix::PlayerFiles() {
  Files files;
  simplayer::PlayerStore store = plugin_fixture::ReadPlayer(Player());
  for (const simplayer::StoredFile &file :
       store.memories[simplayer::kInternal].files) {
    std::string bytes;
    simplayer::ReadContents(store, simplayer::kInternal, file.index, &bytes);
    files[file.name] = bytes;
  }
  return files;
}

void FaultMatrix::Arrange() {
  std::tie(op, fault) = GetParam();
  // The host is loaded first: the player's spellings come from its
  // language file.
  ASSERT_TRUE(
      plugin_fixture::LoadPlugin(registryRoot, pluginDir.Path(), &host));
  plugin_fixture::ChangePlayer(Player(), [](simplayer::PlayerStore &store) {
    store.config.chunkSize = kChunk;
  });
  if (op.Direction == Side::FromPlayer) {
    for (const char *unit : kUnits)
      ASSERT_TRUE(plugin_fixture::PutOnPlayer(
          Player(), simplayer::kInternal, DeviceSpelling(unit),
          Content(unit, "player"), simplayer::CurrentTimes()));
    ASSERT_TRUE(
        WriteThroughFileApis(pcFolder + kExisting, Content(kExisting, "old")));
  } else {
    if (op.From == Source::Folder) {
      ASSERT_TRUE(CreateDirectoryA(UnitFolder().c_str(), nullptr));
    }
    for (const char *unit : kUnits)
      ASSERT_TRUE(
          WriteThroughFileApis(UnitFolder() + unit, Content(unit, "pc")));
    if (op.From == Source::Playlist) {
      ASSERT_TRUE(WriteThroughFileApis(pcFolder + "list.m3u",
                                       std::string("#EXTM3U\r\n") + kUnits[0] +
                                           "\r\n" + kUnits[1] + "\r\n" +
                                           kUnits[2] + "\r\n"));
    }
    ASSERT_TRUE(plugin_fixture::PutOnPlayer(
        Player(), simplayer::kInternal, kExisting, Content(kExisting, "old"),
        simplayer::CurrentTimes()));
  }
  ASSERT_TRUE(plugin_fixture::OpenPanel(*host, &session));
  ASSERT_TRUE(host->SetPcFolder(Bare(pcFolder)));
  pcBefore = ReadFolder(UnitFolder());
  playerBefore = PlayerFiles();
  if (op.Direction == Side::FromPlayer)
    for (const char *unit : kUnits)
      ASSERT_TRUE(host->Select(unit, true)) << unit;
  else if (op.From == Source::Files)
    for (const char *unit : kUnits)
      ASSERT_TRUE(host->SelectPc(unit, true)) << unit;
  else
    ASSERT_TRUE(
        host->SelectPc(op.From == Source::Folder ? "album" : "list.m3u", true));
  InjectFault();
  simplayer::ClearCallLog(Player());
  host->ClearRecords();
}

const char *FaultMatrix::TransferMethod() const {
  if (op.How == Run::Delete || op.How == Run::DeleteAll)
    return "Delete";
  return op.Direction == Side::FromPlayer ? "Upload" : "Download";
}

void FaultMatrix::InjectFault() {
  switch (fault.Kind) {
  case Fault::LibraryFails:
  case Fault::StopsAnswering:
    plugin_fixture::ChangePlayer(Player(), [&](simplayer::PlayerStore &s) {
      simplayer::FailRule rule;
      rule.method = TransferMethod();
      rule.nth = kFaultyCall;
      rule.unplug = fault.Kind == Fault::StopsAnswering;
      s.config.failRules.push_back(rule);
    });
    break;
  case Fault::Escape:
    // The first progress box of the second file.
    host->PressEscapeAtProgress((kFileSize / kChunk + 1) * (kFaultyCall - 1) +
                                1);
    break;
  case Fault::HeldOpen:
    held = CreateFileA((UnitFolder() + kExisting).c_str(), GENERIC_READ, 0,
                       nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    break;
  case Fault::MemoryFull:
    // Room for what is there and one file and a half.
    plugin_fixture::ChangePlayer(Player(), [&](simplayer::PlayerStore &s) {
      s.memories[simplayer::kInternal].capacity =
          simplayer::UsedSpace(s, simplayer::kInternal) + kFileSize * 3 / 2;
    });
    break;
  }
}

int FaultMatrix::Act() {
  const int confirm = op.KeepExisting ? 1 : 0;
  switch (op.How) {
  case Run::Panel:
    host->QueueAnswer(confirm);
    return host->CopyToPc(op.Move);
  case Run::Delete:
    host->QueueAnswer(0);
    return host->DeleteSelected();
  case Run::CopyAll:
  case Run::MoveAll:
    host->QueueAnswer(confirm);
    return host->PressKey(op.How == Run::CopyAll ? VK_F5 : VK_F6,
                          farapi::PKF_SHIFT);
  case Run::DeleteAll:
    host->QueueAnswer(0);
    return host->PressKey(VK_F8, farapi::PKF_SHIFT);
  case Run::Put:
    host->QueueAnswer(op.From == Source::Playlist ? 2 : 0);
    if (fault.Kind == Fault::MemoryFull)
      host->QueueAnswer(0); // go on although it does not all fit
    return host->CopyFromPc(op.Move);
  }
  return -2;
}

std::string FaultMatrix::ReasonText(const std::string &unit) const {
  const auto &text = host->Language().messages;
  switch (fault.Kind) {
  case Fault::HeldOpen:
    return text.at(davu::MSG_REASON_IN_USE);
  case Fault::MemoryFull:
  default: {
    std::string reason =
        text.at(fault.Kind == Fault::MemoryFull ? davu::MSG_REASON_MEMORY_FULL
                                                : davu::MSG_REASON_NO_ANSWER);
    if (op.Direction == Side::ToPlayer && unit == kExisting)
      reason += "; " + text.at(davu::MSG_REASON_OLD_REMOVED);
    return reason;
  }
  }
}

} // namespace fault_matrix
