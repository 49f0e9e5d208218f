// NoticeWindow's modal opening and closing against the fake platform.
#include <gtest/gtest.h>

#include "fake_platform.h"
#include "main_window/main_window.h"
#include "notice_window/notice_window.h"
#include "platform/event_queue.h"
#include "remote/hosts.h"
#include "test_fixture.h"

namespace {

using platform::Event;
using platform::ReadyState;

class NoticeWindowTest : public FrameTest {
 protected:
  void SetUp() override {
    FrameTest::SetUp();
    ASSERT_TRUE(main_window::Create());
    main_ = main_window::Window();
  }

  // Scripts what the user does once the window is open, as queued events.
  void ThenUser(std::function<void()> action) { fake::Queue(std::move(action)); }
  platform::WindowId Notice() { return notice_window::Window(); }
  bool MainEnabled() { return platform::IsWindowEnabled(main_); }

  platform::WindowId main_ = 0;
};

TEST_F(NoticeWindowTest, OpensWithTheNoticeDisablesMainWindowAndGivesItBackOnClose) {
  app::ReplaceNoticeText("第一行\r\n第二行");
  bool main_enabled_while_open = true;
  platform::WindowId activation_target = 0;
  ThenUser([&] {
    main_enabled_while_open = MainEnabled();
    activation_target = fake::Get().activation_target;
    EXPECT_EQ(fake::Get().windows.at(Notice()).control_text.at("编辑框1"), "第一行\r\n第二行");
    EXPECT_TRUE(fake::Get().windows.at(Notice()).visible);
    fake::CloseByUser(Notice());
  });
  EXPECT_TRUE(notice_window::OpenModally());
  EXPECT_FALSE(main_enabled_while_open);
  EXPECT_NE(activation_target, 0);
  EXPECT_EQ(fake::Get().activation_target, 0);
  EXPECT_TRUE(MainEnabled());
  EXPECT_FALSE(platform::WindowExists(Notice()));
  EXPECT_EQ(app::NoticeText().value(), "第一行\r\n第二行")
      << "the copy leaves NoticeText as it was";
}

TEST_F(NoticeWindowTest, AMissingNoticeGivesAnEmptyBoxAndEveryOpeningCopiesAgain) {
  ThenUser([&] {
    EXPECT_EQ(fake::Get().windows.at(Notice()).control_text.at("编辑框1"), "");
    fake::CloseByUser(Notice());
  });
  notice_window::OpenModally();
  app::ReplaceNoticeText("later");
  ThenUser([&] {
    EXPECT_EQ(fake::Get().windows.at(Notice()).control_text.at("编辑框1"), "later");
    fake::CloseByUser(Notice());
  });
  notice_window::OpenModally();
}

TEST_F(NoticeWindowTest, TheFormerEnabledStateComesBackNotJustEnabled) {
  platform::SetWindowEnabled(main_, false);
  ThenUser([&] { fake::CloseByUser(Notice()); });
  notice_window::OpenModally();
  EXPECT_FALSE(MainEnabled());
}

struct SecondOpeningCase {
  const char* name;
  bool minimized;
  const char* call;
};

class OpeningWhileOpen : public NoticeWindowTest,
                         public ::testing::WithParamInterface<SecondOpeningCase> {};

TEST_P(OpeningWhileOpen, BringsTheOpenWindowForwardAndReturnsAtOnce) {
  ThenUser([&] {
    const platform::WindowId first = Notice();
    fake::Get().windows.at(first).minimized = GetParam().minimized;
    fake::Get().calls.clear();
    EXPECT_TRUE(notice_window::OpenModally());
    EXPECT_EQ(Notice(), first) << "there is never a second NoticeWindow";
    EXPECT_EQ(fake::Get().calls, std::vector<std::string>{GetParam().call});
    fake::CloseByUser(first);
  });
  notice_window::OpenModally();
  EXPECT_TRUE(MainEnabled());
}

INSTANTIATE_TEST_SUITE_P(Notice, OpeningWhileOpen,
                         ::testing::Values(SecondOpeningCase{"active", false, "ActivateWindow"},
                                           SecondOpeningCase{"minimized", true, "RestoreWindow"}),
                         CaseName());

TEST_F(NoticeWindowTest, AnOpeningFindingAClosingPendingCompletesItAndOpensAfresh) {
  fake::Get().ready_state = [] { return ReadyState::Complete; };
  platform::WindowId first = 0, second = 0;
  bool main_enabled_in_second = true;
  ThenUser([&] {
    first = Notice();
    fake::Press(first, "按钮2", Event::Clicked);  // its closing is now queued
    // Another opening, taken before the queued closing (the badge cannot be
    // pressed while MainWindow is disabled; another caller could open it).
    fake::Get().queue.push_front({[&] {
                                    ThenUser([&] {
                                      second = Notice();
                                      main_enabled_in_second = MainEnabled();
                                      fake::CloseByUser(second);
                                    });
                                    EXPECT_TRUE(notice_window::OpenModally());
                                  },
                                  0});
  });
  notice_window::OpenModally();
  EXPECT_NE(second, 0);
  EXPECT_NE(first, second);
  EXPECT_FALSE(platform::WindowExists(first));
  EXPECT_FALSE(main_enabled_in_second);
  EXPECT_TRUE(MainEnabled());
}

TEST_F(NoticeWindowTest, ClosedWhileBeingShownItLeavesMainWindowEnabled) {
  // The user's Esc, queued before the window came up, taken while it is shown.
  fake::Get().showing_dispatches = true;
  ThenUser([&] { fake::CloseByUser(Notice()); });
  EXPECT_TRUE(notice_window::OpenModally());
  EXPECT_FALSE(platform::WindowExists(Notice()));
  EXPECT_TRUE(MainEnabled()) << "MainWindow left disabled with no NoticeWindow to close";
  EXPECT_EQ(fake::Get().activation_target, 0);
}

TEST_F(NoticeWindowTest, ACreationFailureReturnsFalseWithNothingDisabled) {
  fake::Get().fail_creation = true;
  EXPECT_FALSE(notice_window::OpenModally());
  EXPECT_TRUE(MainEnabled());
}

TEST_F(NoticeWindowTest, UpdateOpensTheOfficialSiteAndStaysOpen) {
  ThenUser([&] {
    fake::Press(Notice(), "按钮1", Event::Clicked);
    fake::Press(Notice(), "按钮1", Event::Clicked);
    EXPECT_TRUE(platform::WindowExists(Notice()));
    EXPECT_FALSE(MainEnabled());
    fake::CloseByUser(Notice());
  });
  notice_window::OpenModally();
  EXPECT_EQ(fake::Get().opened_urls,
            std::vector<std::string>(2, "http://" + remote::OfficialHost() + "/"));
  EXPECT_TRUE(fake::Get().navigations.empty());
}

TEST_F(NoticeWindowTest, IgnoreShowsTheShopAndClosesOnlyAfterTheLoad) {
  int readings = 0;
  bool open_while_loading = false;
  fake::Get().ready_state = [&] {
    ++readings;
    open_while_loading = platform::WindowExists(Notice());
    return readings < 3 ? ReadyState::Loading : ReadyState::Complete;
  };
  ThenUser([&] { fake::Press(Notice(), "按钮2", Event::Clicked); });
  notice_window::OpenModally();
  EXPECT_EQ(fake::Get().navigations, std::vector<std::string>{"http://" + remote::ShopHost()});
  EXPECT_TRUE(open_while_loading);
  EXPECT_FALSE(platform::WindowExists(Notice()));
  EXPECT_TRUE(MainEnabled());
}

TEST_F(NoticeWindowTest, ALateClosingRequestAfterTheUserClosedDoesNothing) {
  int readings = 0;
  fake::Get().ready_state = [&] {
    // The user closes the notice while the shop page loads.
    if (++readings == 2) fake::CloseByUser(Notice());
    return readings < 4 ? ReadyState::Loading : ReadyState::Complete;
  };
  ThenUser([&] { fake::Press(Notice(), "按钮2", Event::Clicked); });
  notice_window::OpenModally();
  EXPECT_TRUE(platform::WindowExists(main_));
  EXPECT_TRUE(MainEnabled());
  EXPECT_EQ(fake::Get().navigations.size(), 1u);
  // Whatever stays queued finds no window and leaves MainWindow alone.
  app::ProcessPendingEvents();
  EXPECT_TRUE(MainEnabled());
}

TEST_F(NoticeWindowTest, TheModalWaitLeavesAQuitRequestForTheFrame) {
  fake::QueueQuit(0);
  EXPECT_TRUE(notice_window::OpenModally());
  EXPECT_EQ(platform::PeekQueueHead(), platform::QueueHead::Quit);
}

TEST_F(NoticeWindowTest, TheBadgeSquareAndItsLabelBothOpenTheWindow) {
  for (const char* control : {"图片框9", "透明标签2"}) {
    platform::WindowId opened = 0;
    ThenUser([&] {
      opened = Notice();
      fake::CloseByUser(Notice());
    });
    fake::Press(main_, control, Event::LeftButtonDown);
    EXPECT_NE(opened, 0) << control;
  }
}

}  // namespace
