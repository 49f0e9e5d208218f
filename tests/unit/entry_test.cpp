// The whole run of the entry routine against the fake platform.
#include <gtest/gtest.h>

#include "app/frame.h"
#include "fake_platform.h"
#include "main_window/main_window.h"
#include "test_fixture.h"

namespace {

TEST_F(FrameTest, StartsInOrderAndEndsWithCodeZeroAfterTheLastWindowCloses) {
  fake::Get().program_path = "/home/user/apps/tolvane/tolvane";
  fake::Get().when_idle = [] {
    fake::Queue([] { platform::DestroyWindow(main_window::Window()); });
  };

  EXPECT_EQ(app::RunProgram(), 0);

  const std::vector<std::string> expected = {"InitializeUiThread", "SetWorkingDirectory",
                                             "CreateOwnerWindow", "CreateDesignedWindow MainWindow",
                                             // The start-up sequence, run within the creation.
                                             "BindSkinLibrary", "ReadSetting", "CreateShortcut",
                                             "WriteSetting", "ReleaseAll"};
  EXPECT_EQ(fake::Get().calls, expected);
  EXPECT_EQ(fake::Get().working_directory, "/home/user/apps/tolvane");
  EXPECT_EQ(app::testing::ExitCleanupRuns(), 1);
  EXPECT_TRUE(app::testing::EventLoopStarted());
}

TEST_F(FrameTest, MainWindowIsVisibleWhenTheLoopBegins) {
  bool visible_in_loop = false;
  fake::Get().when_idle = [&] {
    visible_in_loop = fake::Get().windows.at(main_window::Window()).visible;
    fake::Queue([] { platform::DestroyWindow(main_window::Window()); });
  };
  app::RunProgram();
  EXPECT_TRUE(visible_in_loop);
}

TEST_F(FrameTest, ExitCleanupRunsOnceAndReleasesTheNoticeText) {
  fake::Get().when_idle = [] {
    app::ReplaceNoticeText("notice");
    fake::Queue([] { platform::DestroyWindow(main_window::Window()); });
  };
  EXPECT_EQ(app::RunProgram(), 0);
  EXPECT_EQ(app::testing::ExitCleanupRuns(), 1);
  EXPECT_FALSE(app::NoticeText().has_value());
}

TEST_F(FrameTest, AFailedMainWindowEndsInFatalStop) {
  fake::Get().fail_creation = true;
  try {
    app::RunProgram();
    FAIL() << "the start went on without MainWindow";
  } catch (const fake::ProcessExit& exit) {
    EXPECT_EQ(exit.code, -1);
  }
  ASSERT_EQ(fake::Get().message_boxes.size(), 1u);
  EXPECT_EQ(fake::Get().message_boxes[0].text, "运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n");
  EXPECT_EQ(app::testing::ExitCleanupRuns(), 0);
}

TEST_F(FrameTest, AQuitRequestLeftBeforeTheLoopEndsTheLoopAtOnce) {
  // Posted by the window system on its own before the loop begins.
  fake::Get().calls.clear();
  fake::QueueQuit(0);
  EXPECT_EQ(app::RunProgram(), 0);
  EXPECT_EQ(fake::Get().windows.size(), 1u) << "the loop ended on the quit request alone";
  EXPECT_EQ(app::testing::ExitCleanupRuns(), 1);
}

}  // namespace
