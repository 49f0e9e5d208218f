#include <gtest/gtest.h>

#include "app/event_loop.h"
#include "app/frame.h"
#include "fake_platform.h"
#include "main_window/main_window.h"
#include "platform/event_queue.h"
#include "test_fixture.h"

namespace {

using platform::QueueHead;

TEST_F(FrameTest, ProcessPendingEventsReturnsAtOnceOnAnEmptyQueue) {
  app::ProcessPendingEvents();
  EXPECT_EQ(fake::Get().dispatched, 0);
  EXPECT_EQ(fake::Get().waits, 0);
}

TEST_F(FrameTest, ProcessPendingEventsLeavesTheQuitRequestAtTheHead) {
  fake::QueueQuit(0);
  fake::Queue([] {});
  app::ProcessPendingEvents();
  EXPECT_EQ(fake::Get().dispatched, 0);
  EXPECT_EQ(platform::PeekQueueHead(), QueueHead::Quit);
}

TEST_F(FrameTest, ProcessPendingEventsDispatchesEventsQueuedByItsHandlersAndStopsAtQuit) {
  std::vector<int> order;
  fake::Queue([&] {
    order.push_back(1);
    fake::Queue([&] { order.push_back(3); });
  });
  fake::Queue([&] { order.push_back(2); });
  app::ProcessPendingEvents();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(platform::PeekQueueHead(), QueueHead::Empty);
  EXPECT_EQ(fake::Get().waits, 0) << "it never waits for an event";

  fake::Queue([&] { order.push_back(4); });
  fake::QueueQuit(0);
  fake::Queue([&] { order.push_back(5); });
  app::ProcessPendingEvents();
  EXPECT_EQ(order.back(), 4);
  EXPECT_EQ(platform::PeekQueueHead(), QueueHead::Quit);
}

struct QuitRuleCase {
  const char* name;
  bool loop_started;
  int windows_left;
  bool quit_posted;
};

class QuitRule : public FrameTest, public ::testing::WithParamInterface<QuitRuleCase> {};

TEST_P(QuitRule, PostsTheQuitRequestOnlyForTheLastWindowOnceTheLoopHasBegun) {
  const auto& c = GetParam();
  for (int i = 0; i < c.windows_left; ++i)
    platform::CreateDesignedWindow(main_window::Design(), {});
  if (c.loop_started) {
    // Starting the loop with no window skips it and leaves the flag set.
    fake::Get().windows.clear();
    app::RunEventLoop();
    for (int i = 0; i < c.windows_left; ++i)
      platform::CreateDesignedWindow(main_window::Design(), {});
  }
  app::OnWindowDestroyed();
  EXPECT_EQ(platform::PeekQueueHead() == QueueHead::Quit, c.quit_posted);
  if (c.quit_posted) {
    EXPECT_EQ(platform::TakeQuit(), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Frame, QuitRule,
                         ::testing::Values(QuitRuleCase{"last_window_loop_running", true, 0, true},
                                           QuitRuleCase{"window_left_loop_running", true, 1, false},
                                           QuitRuleCase{"last_window_before_loop", false, 0, false},
                                           QuitRuleCase{"window_left_before_loop", false, 1,
                                                        false}),
                         CaseName());

TEST_F(FrameTest, ExitCleanupReleasesTheNoticeText) {
  app::ReplaceNoticeText("notice");
  app::ExitCleanup();
  EXPECT_FALSE(app::NoticeText().has_value());
}

struct FatalStopCase {
  const char* name;
  const char* message;
  int code;
  const char* box;
};

class FatalStopText : public FrameTest, public ::testing::WithParamInterface<FatalStopCase> {};

TEST_P(FatalStopText, BuildsTheBoxFromCodeAndMessage) {
  EXPECT_EQ(app::FatalStopBoxText(GetParam().message, GetParam().code), GetParam().box);
}

INSTANTIATE_TEST_SUITE_P(
    Frame, FatalStopText,
    ::testing::Values(
        FatalStopCase{"neither", "", 0, "运行时出错!\r\n\r\n"},
        FatalStopCase{"message_only", "载入启动窗口失败", 0,
                      "运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n"},
        FatalStopCase{"code_only", "", 42, "运行时出错!\r\n\r\n错误代码：42\r\n\r\n"},
        FatalStopCase{"negative_code", "", -5, "运行时出错!\r\n\r\n错误代码：-5\r\n\r\n"},
        FatalStopCase{"both", "x", 7, "运行时出错!\r\n\r\n错误代码：7\r\n\r\n错误信息：x\r\n"}),
    CaseName());

TEST_F(FrameTest, FatalStopShowsTheErrorBoxAndExitsWithMinusOneWithoutCleanup) {
  app::ReplaceNoticeText("kept");
  try {
    app::FatalStop("boom", 0);
    FAIL() << "FatalStop returned";
  } catch (const fake::ProcessExit& exit) {
    EXPECT_EQ(exit.code, -1);
  }
  ASSERT_EQ(fake::Get().message_boxes.size(), 1u);
  EXPECT_EQ(fake::Get().message_boxes[0].caption, "错误");
  EXPECT_EQ(fake::Get().message_boxes[0].style, platform::MessageBoxStyle::FatalError);
  EXPECT_EQ(fake::Get().calls.back(), "ReleaseAll");
  EXPECT_EQ(app::testing::ExitCleanupRuns(), 0);
}

}  // namespace
