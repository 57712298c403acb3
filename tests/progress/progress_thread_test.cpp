// The progress thread with its hidden window, its start and stop, and the
// frame that ends every operation.
#include "device/device_link.h"
#include "operations/operation_frame.h"
#include "progress/progress_thread.h"
#include "services/plugin_state.h"
#include "tests/progress/fake_host.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT kProgressMessage = WM_USER + 10;

// The thread that owns a window, opened for waiting on it.
HANDLE OpenWindowThread(HWND window) {
  DWORD id = GetWindowThreadProcessId(window, nullptr);
  return id ? OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, id)
            : nullptr;
}

using testing_support::ThreadsOfThisProcess;
using testing_support::WindowsOfThisProcess;

class ProgressThreadTest : public ::testing::Test {
protected:
  void SetUp() override { record = &progress_test::InstallFakeHost(); }
  void TearDown() override { davu::Device().OpMode = 0; }

  void Running(uint32_t fileSize) {
    davu::DeviceLink &link = davu::Device();
    link.OpMode = davu::OM_UPLOAD;
    link.FileSize = fileSize;
    link.FileDone = 0;
    link.FileStartTick = GetTickCount();
    link.OpStartTick = GetTickCount();
    link.TotalSize = fileSize;
    link.DoneBefore = 0;
    link.TotalDone = 0;
  }

  davu::PanelSession session;
  progress_test::Record *record = nullptr;
};

TEST_F(ProgressThreadTest, StartMakesAHiddenWindowOnItsOwnThread) {
  int threadsBefore = ThreadsOfThisProcess();
  session.ProgressWindow = reinterpret_cast<HWND>(1); // stale from before
  HANDLE thread = davu::StartProgressThread(&session);
  ASSERT_NE(thread, nullptr);
  HWND window = session.ProgressWindow.load();
  ASSERT_TRUE(IsWindow(window));
  ASSERT_EQ(record->progressWindows.size(), 1u);
  EXPECT_EQ(record->progressWindows[0], window);

  char text[64] = {};
  GetClassNameA(window, text, sizeof text);
  EXPECT_STREQ(text, "DAVU_CLASS");
  GetWindowTextA(window, text, sizeof text);
  EXPECT_STREQ(text, "DAVU");
  EXPECT_FALSE(IsWindowVisible(window));
  LONG style = GetWindowLongA(window, GWL_STYLE);
  EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
  RECT rect{};
  GetWindowRect(window, &rect);
  EXPECT_EQ(rect.left, 10);
  EXPECT_EQ(rect.top, 10);
  EXPECT_EQ(rect.right - rect.left, 400);
  EXPECT_EQ(rect.bottom - rect.top, 300);
  EXPECT_NE(GetWindowThreadProcessId(window, nullptr), GetCurrentThreadId());

  HANDLE watched = OpenWindowThread(window);
  ASSERT_NE(watched, nullptr);
  davu::StopProgressThread(thread, &session);
  EXPECT_EQ(WaitForSingleObject(watched, 0), WAIT_OBJECT_0);
  CloseHandle(watched);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(WindowsOfThisProcess("DAVU_CLASS"), 0);
  EXPECT_EQ(ThreadsOfThisProcess(), threadsBefore);
}

TEST_F(ProgressThreadTest, ProgressMessagesAreDrawnFromTheProgressThread) {
  Running(1000);
  HANDLE thread = davu::StartProgressThread(&session);
  ASSERT_NE(thread, nullptr);
  HWND window = session.ProgressWindow.load();
  SendMessageA(window, kProgressMessage, 400, 0);
  // All bits set reaches the display unchanged: the file is complete.
  SendMessageA(window, kProgressMessage, static_cast<WPARAM>(-1), 0);
  davu::StopProgressThread(thread, &session);

  EXPECT_EQ(davu::Device().FileDone.load(), 1000u);
  EXPECT_EQ(davu::Device().TotalDone.load(), 1000u);
  auto boxes = record->Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  for (const auto &box : boxes) {
    EXPECT_NE(box.thread, GetCurrentThreadId());
    EXPECT_EQ(box.items.size(), 8u);
  }
}

TEST_F(ProgressThreadTest, TwoOperationsInARowBothShowProgress) {
  for (int operation = 0; operation < 2; ++operation) {
    Running(100);
    HANDLE thread = davu::StartProgressThread(&session);
    ASSERT_NE(thread, nullptr) << operation;
    SendMessageA(session.ProgressWindow.load(), kProgressMessage, 10, 0);
    davu::StopProgressThread(thread, &session);
    // The class stays registered; the second registration fails silently.
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    HMODULE self = GetModuleHandleA(nullptr);
    EXPECT_TRUE(GetClassInfoExA(self, "DAVU_CLASS", &existing));
    EXPECT_EQ(existing.lpfnWndProc, davu::ProgressWindowProc);
  }
  EXPECT_EQ(record->Boxes().size(), 2u);
  EXPECT_EQ(record->progressWindows.size(), 2u);
}

TEST_F(ProgressThreadTest, NoProgressMessageMeansNoDrawing) {
  Running(100);
  HANDLE thread = davu::StartProgressThread(&session);
  ASSERT_NE(thread, nullptr);
  davu::StopProgressThread(thread, &session);
  EXPECT_TRUE(record->Boxes().empty());
  EXPECT_EQ(record->texts, 0);
}

TEST_F(ProgressThreadTest, DestroyMessageEndsTheLoopWithExitCodeZero) {
  HANDLE thread = davu::StartProgressThread(&session);
  ASSERT_NE(thread, nullptr);
  HANDLE watched = OpenWindowThread(session.ProgressWindow.load());
  ASSERT_NE(watched, nullptr);
  SendMessageA(session.ProgressWindow.load(), WM_DESTROY, 0, 0);
  ASSERT_EQ(WaitForSingleObject(watched, 5000), WAIT_OBJECT_0);
  DWORD code = 1;
  EXPECT_TRUE(GetExitCodeThread(watched, &code));
  EXPECT_EQ(code, 0u);
  CloseHandle(watched);
  // The stop of a thread that has already ended returns at once.
  davu::StopProgressThread(thread, &session);
}

TEST_F(ProgressThreadTest, QueuedReportsAreNeverDrawnAfterTheStop) {
  Running(1000000);
  HANDLE thread = davu::StartProgressThread(&session);
  ASSERT_NE(thread, nullptr);
  HWND window = session.ProgressWindow.load();
  for (int i = 0; i < 200; ++i)
    PostMessageA(window, kProgressMessage, 1, 0);
  davu::StopProgressThread(thread, &session);
  size_t drawn = record->Boxes().size();
  davu::Device().EndOperation();
  Sleep(50);
  EXPECT_EQ(record->Boxes().size(), drawn);
  EXPECT_LE(drawn, 200u);
  EXPECT_EQ(davu::Device().OpMode.load(), 0);
}

TEST_F(ProgressThreadTest, ReportWithoutARunningOperationIsIgnored) {
  HANDLE thread = davu::StartProgressThread(&session);
  ASSERT_NE(thread, nullptr);
  ASSERT_TRUE(progress_test::PutKey(VK_ESCAPE, true));
  SendMessageA(session.ProgressWindow.load(), kProgressMessage, 10, 0);
  davu::StopProgressThread(thread, &session);
  EXPECT_TRUE(record->Boxes().empty());
  EXPECT_EQ(davu::Device().OpMode.load(), 0);
  EXPECT_EQ(record->cancelFlags, 0);
  progress_test::DrainConsole();
}

TEST_F(ProgressThreadTest, NullSessionAndNullThreadAreHarmless) {
  EXPECT_EQ(davu::StartProgressThread(nullptr), nullptr);
  davu::StopProgressThread(nullptr, &session);
  EXPECT_TRUE(record->progressWindows.empty());
}

TEST_F(ProgressThreadTest, FrameStopsThreadThenRestoresThenEndsOnce) {
  HANDLE watched = nullptr;
  bool threadEndedAtRestore = false;
  uint16_t opModeAtRestore = 0;
  record->onRestore = [&] {
    threadEndedAtRestore =
        watched && WaitForSingleObject(watched, 0) == WAIT_OBJECT_0;
    opModeAtRestore = davu::Device().OpMode.load();
  };
  {
    davu::OperationFrame frame(session);
    frame.SaveScreen();
    frame.Begin(davu::OM_DELETE, 10);
    frame.StartProgress();
    watched = OpenWindowThread(session.ProgressWindow.load());
    ASSERT_NE(watched, nullptr);
    EXPECT_EQ(davu::Device().OpMode.load(), davu::OM_DELETE);
  }
  EXPECT_TRUE(threadEndedAtRestore);
  EXPECT_EQ(opModeAtRestore, davu::OM_DELETE);
  EXPECT_EQ(davu::Device().OpMode.load(), 0);
  EXPECT_EQ(record->saves, 1);
  EXPECT_EQ(record->restores, 1);
  CloseHandle(watched);
}

TEST_F(ProgressThreadTest, FrameFinishedEarlyDoesNothingMore) {
  {
    davu::OperationFrame frame(session);
    frame.SaveScreen();
    frame.SaveScreen();
    frame.Begin(davu::OM_UPLOAD, 0);
    frame.StartProgress();
    frame.Finish();
    EXPECT_EQ(davu::Device().OpMode.load(), 0);
    // Another operation may begin before the frame goes.
    davu::Device().BeginOperation(davu::OM_DELETE, 0);
  }
  EXPECT_EQ(davu::Device().OpMode.load(), davu::OM_DELETE);
  EXPECT_EQ(record->saves, 1);
  EXPECT_EQ(record->restores, 1);
}

TEST_F(ProgressThreadTest, FrameWithoutSavedScreenRestoresNothing) {
  {
    davu::OperationFrame frame(session);
    frame.Begin(davu::OM_UPLOAD, 0);
  }
  EXPECT_EQ(record->saves, 0);
  EXPECT_EQ(record->restores, 0);
  EXPECT_EQ(davu::Device().OpMode.load(), 0);
}

} // namespace
