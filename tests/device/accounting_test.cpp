// Binding, device operations and the per-file accounting of DeviceLink,
// with a scripted library table in place of USBCTRL.dll's methods.
#include "device/device_link.h"
#include "device/name_conversion.h"
#include "tests/support/core_host.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using davu::DeviceLink;

// What the scripted library does on its next calls.
struct Script {
  DeviceLink *link = nullptr;
  std::vector<int> results;   // one per transfer call, in order
  uint32_t progressBytes = 0; // reported while each call runs
  bool cancelDuringCall = false;
  std::vector<std::string> downloadPaths;
  std::vector<bool> fileThereDuringCall;
  std::vector<std::string> bytesDuringCall; // of the path the library got
  std::string watchedPath; // a path whose presence Download records
  int formatInternal = 0, formatExternal = 0;
  int nextResult() {
    if (results.empty())
      return 0;
    int r = results.front();
    results.erase(results.begin());
    return r;
  }
  // What the progress display would do with one progress message.
  void report() {
    link->FileDone.fetch_add(progressBytes);
    link->TotalDone.fetch_add(progressBytes);
    if (cancelDuringCall)
      link->CancelOperation();
  }
} script;

int __fastcall Upload(void *, void *, int, int, const char *) {
  script.report();
  return script.nextResult();
}
int __fastcall Delete(void *, void *, int, int) {
  script.report();
  return script.nextResult();
}
int __fastcall Download(void *, void *, int, const char *path) {
  script.downloadPaths.push_back(path);
  script.fileThereDuringCall.push_back(
      testing_support::FileExists(script.watchedPath));
  std::string bytes;
  testing_support::ReadFileBytes(path, &bytes);
  script.bytesDuringCall.push_back(bytes);
  script.report();
  return script.nextResult();
}
int __fastcall FormatInternal(void *, void *) {
  return ++script.formatInternal;
}
int __fastcall FormatExternal(void *, void *) {
  return ++script.formatExternal;
}
void __fastcall SetCancelFlag(void *, void *) {}

class Accounting : public ::testing::Test {
protected:
  void SetUp() override {
    spine_test::InstallCoreHost();
    script = Script();
    script.link = &link;
    link.Entry.Upload = Upload;
    link.Entry.Delete = Delete;
    link.Entry.Download = Download;
    link.Entry.FormatInternal = FormatInternal;
    link.Entry.FormatExternal = FormatExternal;
    link.Entry.SetCancelFlag = SetCancelFlag;
  }
  DeviceLink link;
};

TEST_F(Accounting, TwoOperationsInARowStartTheirSumsAfresh) {
  link.BeginOperation(davu::OM_UPLOAD, 300);
  EXPECT_EQ(link.OpMode.load(), davu::OM_UPLOAD);
  EXPECT_EQ(link.TotalSize.load(), 300u);
  script.progressBytes = 10;
  EXPECT_EQ(link.UploadFile(0, 1, 100), 0);
  EXPECT_NE(link.OpStartTick.load(), 0u);
  EXPECT_EQ(link.UploadFile(0, 2, 200), 0);
  EXPECT_EQ(link.DoneBefore.load(), 300u);
  EXPECT_EQ(link.TotalDone.load(), 300u);
  EXPECT_EQ(link.FileSize.load(), 200u);
  link.EndOperation();
  EXPECT_EQ(link.OpMode.load(), 0);
  EXPECT_EQ(link.DoneBefore.load(), 300u); // nothing else is reset

  link.BeginOperation(davu::OM_DELETE, 50);
  EXPECT_EQ(link.OpStartTick.load(), 0u);
  EXPECT_EQ(link.TotalDone.load(), 0u);
  EXPECT_EQ(link.DeleteDeviceFile(1, 3, 50), 0);
  EXPECT_EQ(link.DoneBefore.load(), 50u);
  EXPECT_EQ(link.TotalDone.load(), 50u);
  link.EndOperation();
}

TEST_F(Accounting, FailedFirstFileStillStartsTheOperation) {
  link.BeginOperation(davu::OM_UPLOAD, 170);
  script.results = {7, 0};
  script.progressBytes = 40;
  EXPECT_EQ(link.UploadFile(0, 1, 100), 7);
  EXPECT_NE(link.OpStartTick.load(), 0u);
  EXPECT_EQ(link.DoneBefore.load(), 0u);
  EXPECT_EQ(link.TotalDone.load(), 40u); // what the progress reported
  uint32_t started = link.OpStartTick.load();
  EXPECT_EQ(link.UploadFile(0, 2, 70), 0);
  EXPECT_EQ(link.OpStartTick.load(), started);
  EXPECT_EQ(link.DoneBefore.load(), 70u);
  EXPECT_EQ(link.TotalDone.load(), 70u);
  link.EndOperation();
}

TEST_F(Accounting, MemoryFullAfterPartialProgressTakesTheWholeFileOff) {
  testing_support::TempDir dir;
  std::string first = dir / "one.mp3", second = dir / "two.mp3";
  ASSERT_TRUE(testing_support::WriteFileBytes(first, "1"));
  ASSERT_TRUE(testing_support::WriteFileBytes(second, "2"));
  link.BeginOperation(davu::OM_DOWNLOAD, 600);
  script.results = {0, usbctrl::kMemoryFull, 0};
  script.progressBytes = 0;
  EXPECT_EQ(link.DownloadFile(0, first.c_str(), 100), 0);
  script.progressBytes = 200;
  EXPECT_EQ(link.DownloadFile(0, second.c_str(), 500), usbctrl::kMemoryFull);
  EXPECT_EQ(link.DoneBefore.load(), 100u);
  // 100 + 200 reported - 500: 300 below DoneBefore, the part not covered.
  EXPECT_EQ(link.DoneBefore.load() - link.TotalDone.load(), 300u);
  script.progressBytes = 0;
  EXPECT_EQ(link.DownloadFile(1, second.c_str(), 500), 0);
  EXPECT_EQ(link.TotalDone.load(), 600u);
  EXPECT_EQ(link.DoneBefore.load(), 600u);
  link.EndOperation();
}

TEST_F(Accounting, DownloadGivesACopyUnderThePlayersSpellingNeverRenaming) {
  testing_support::TempDir dir;
  std::string pcName = dir / "\x8E\x81.mp3";
  char deviceName[MAX_PATH];
  davu::ToDeviceName(pcName.c_str(), deviceName);
  ASSERT_NE(pcName, deviceName);
  ASSERT_TRUE(testing_support::WriteFileBytes(pcName, "music"));
  script.watchedPath = pcName;
  link.BeginOperation(davu::OM_DOWNLOAD, 5);
  EXPECT_EQ(link.DownloadFile(0, pcName.c_str(), 5), 0);
  link.EndOperation();
  ASSERT_EQ(script.downloadPaths.size(), 1u);
  const std::string &given = script.downloadPaths[0];
  std::string deviceLeaf = strrchr(deviceName, '\\') + 1;
  // The player's spelling, in a folder of the plug-in's own.
  EXPECT_EQ(given.substr(given.rfind('\\') + 1), deviceLeaf);
  EXPECT_NE(given.substr(0, given.rfind('\\') + 1), dir.Path());
  EXPECT_EQ(script.bytesDuringCall[0], "music");
  // The user's file keeps its name through the call and afterwards.
  EXPECT_TRUE(script.fileThereDuringCall[0]);
  EXPECT_TRUE(testing_support::FileExists(pcName));
  EXPECT_FALSE(testing_support::FileExists(deviceName));
  EXPECT_FALSE(testing_support::FileExists(given));

  // A plain name goes to the library as it is.
  std::string plain = dir / "plain.mp3";
  ASSERT_TRUE(testing_support::WriteFileBytes(plain, "x"));
  link.BeginOperation(davu::OM_DOWNLOAD, 1);
  EXPECT_EQ(link.DownloadFile(0, plain.c_str(), 1), 0);
  link.EndOperation();
  EXPECT_EQ(script.downloadPaths.back(), plain);
}

TEST_F(Accounting, DownloadRefusesWhatItCannotNameRight) {
  testing_support::TempDir dir;
  // The file is missing: no other file may be sent in its place, not even
  // one that bears the player's spelling of its name.
  std::string missing = dir / "\x8E.mp3";
  char deviceName[MAX_PATH];
  davu::ToDeviceName(missing.c_str(), deviceName);
  ASSERT_TRUE(testing_support::WriteFileBytes(deviceName, "someone else"));
  link.BeginOperation(davu::OM_DOWNLOAD, 10);
  EXPECT_NE(link.DownloadFile(0, missing.c_str(), 10), 0);
  std::string tooLong(5000, 'a');
  EXPECT_NE(link.DownloadFile(0, tooLong.c_str(), 10), 0);
  link.EndOperation();
  EXPECT_TRUE(script.downloadPaths.empty());
  EXPECT_EQ(link.DoneBefore.load(), 0u);
  std::string bytes;
  ASSERT_TRUE(testing_support::ReadFileBytes(deviceName, &bytes));
  EXPECT_EQ(bytes, "someone else");
}

TEST_F(Accounting, OnlyTheCallsOwnBitCounts) {
  // Upload under OM_UPLOAD + OM_QUIET counts like plain OM_UPLOAD.
  link.BeginOperation(davu::OM_UPLOAD | davu::OM_QUIET, 10);
  EXPECT_EQ(link.UploadFile(0, 1, 10), 0);
  EXPECT_EQ(link.DoneBefore.load(), 10u);
  link.EndOperation();

  // A delete inside a download is not counted.
  link.BeginOperation(davu::OM_DOWNLOAD, 10);
  link.AddQuiet();
  EXPECT_EQ(link.OpMode.load(), davu::OM_DOWNLOAD | davu::OM_QUIET);
  EXPECT_EQ(link.DeleteDeviceFile(0, 1, 99), 0);
  link.RemoveQuiet();
  EXPECT_EQ(link.OpMode.load(), davu::OM_DOWNLOAD);
  EXPECT_EQ(link.DoneBefore.load(), 0u);
  link.EndOperation();
}

TEST_F(Accounting, CancellationDuringTheCallSuppressesTheCount) {
  link.BeginOperation(davu::OM_UPLOAD, 10);
  script.cancelDuringCall = true;
  EXPECT_EQ(link.UploadFile(0, 1, 10), 0);
  EXPECT_EQ(link.OpMode.load(), davu::OM_CANCELLED | davu::OM_QUIET);
  EXPECT_TRUE(link.Cancelled());
  EXPECT_EQ(link.DoneBefore.load(), 0u);
  link.EndOperation();

  // Clearing OM_QUIET after a cancellation keeps the cancel bit.
  script.cancelDuringCall = false;
  link.BeginOperation(davu::OM_DOWNLOAD, 10);
  link.AddQuiet();
  link.CancelOperation();
  link.RemoveQuiet();
  EXPECT_EQ(link.OpMode.load(), davu::OM_CANCELLED);
  link.EndOperation();
}

TEST_F(Accounting, FormatTakesTheMemorySizeAsItsFile) {
  link.DoneBefore.store(777);
  link.BeginOperation(davu::OM_FORMAT, 16777216);
  EXPECT_EQ(link.FormatMemory(0), 1);
  EXPECT_EQ(link.FileSize.load(), 16777216u);
  EXPECT_EQ(link.FileDone.load(), 0u);
  EXPECT_EQ(link.DoneBefore.load(), 777u);
  EXPECT_NE(link.OpStartTick.load(), 0u);
  EXPECT_EQ(link.FormatMemory(1), 1);
  EXPECT_EQ(script.formatInternal, 1);
  EXPECT_EQ(script.formatExternal, 1);
  link.EndOperation();
}

TEST_F(Accounting, EmptyOperationBeginsAndEnds) {
  link.BeginOperation(davu::OM_LIST, 0);
  EXPECT_EQ(link.OpMode.load(), davu::OM_LIST);
  EXPECT_EQ(link.TotalSize.load(), 0u);
  link.EndOperation();
  EXPECT_EQ(link.OpMode.load(), 0);
}

// --- binding ---------------------------------------------------------------

class Binding : public ::testing::Test {
protected:
  std::string Folder(const char *libraryVariant) {
    if (libraryVariant) {
      EXPECT_TRUE(testing_support::CopyFileTo(
          testing_support::BesideExe(libraryVariant), dir / "USBCTRL.dll"));
    }
    return dir.Path();
  }
  testing_support::TempDir dir;
  DeviceLink link;
};

TEST_F(Binding, AllSeventeenExportsBind) {
  link.OpMode.store(5);
  link.Bind(Folder("spine_usbctrl_full.dll").c_str());
  EXPECT_EQ(link.LoadStage, davu::LS_BOUND);
  EXPECT_EQ(link.OpMode.load(), 0);
  EXPECT_NE(link.Module, nullptr);
  EXPECT_NE(reinterpret_cast<void *>(link.Entry.SetCancelFlag), nullptr);
}

TEST_F(Binding, MissingExportStopsThere) {
  link.Bind(Folder("spine_usbctrl_missing.dll").c_str());
  EXPECT_EQ(link.LoadStage, davu::LS_NOENTRYPOINT);
  EXPECT_NE(link.Module, nullptr);
  EXPECT_NE(reinterpret_cast<void *>(link.Entry.FindFirstExternal), nullptr);
  EXPECT_EQ(reinterpret_cast<void *>(link.Entry.FindNextExternal), nullptr);
  EXPECT_EQ(reinterpret_cast<void *>(link.Entry.Download), nullptr);
}

TEST_F(Binding, LibraryOutsideThePluginFolderIsNotUsed) {
  // A USBCTRL.dll loaded in the process and on the search path does not
  // count: only the plug-in's folder does.
  testing_support::TempDir elsewhere;
  ASSERT_TRUE(testing_support::CopyFileTo(
      testing_support::BesideExe("spine_usbctrl_full.dll"),
      elsewhere / "USBCTRL.dll"));
  testing_support::LoadedModule loaded(elsewhere / "USBCTRL.dll");
  ASSERT_TRUE(loaded);
  SetDllDirectoryA(elsewhere.Path().c_str());
  link.Bind(Folder(nullptr).c_str());
  SetDllDirectoryA(nullptr);
  EXPECT_EQ(link.LoadStage, davu::LS_NOLIBRARY);
  EXPECT_EQ(link.Module, nullptr);
}

TEST_F(Binding, NoFolderMeansNoLibrary) {
  link.Bind("");
  EXPECT_EQ(link.LoadStage, davu::LS_NOLIBRARY);
  link.Bind(nullptr);
  EXPECT_EQ(link.LoadStage, davu::LS_NOLIBRARY);
  EXPECT_EQ(link.Module, nullptr);
}

} // namespace
