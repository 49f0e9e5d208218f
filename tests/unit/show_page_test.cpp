// ShowPage's wait and the tiles, with a browser whose ready state is scripted:
// each navigation loads for a set number of readings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_platform.h"
#include "main_window/main_window.h"
#include "main_window/navigation.h"
#include "remote/hosts.h"
#include "test_fixture.h"

namespace {

using platform::Event;
using platform::ReadyState;

constexpr const char* kIndicator = "图片框7";

class ShowPageTest : public FrameTest {
 protected:
  void SetUp() override {
    FrameTest::SetUp();
    ASSERT_TRUE(main_window::Create());
    window_ = main_window::Window();
    fake::Get().navigations.clear();
    fake::Get().ready_state = [this] { return NextReading(); };
  }

  ReadyState NextReading() {
    ++readings_;
    if (fake::Get().navigations.size() != navigations_seen_) {
      navigations_seen_ = fake::Get().navigations.size();
      loading_left_ = readings_per_page_;
    }
    if (on_reading_) on_reading_(readings_);
    if (loading_left_ > 0) {
      --loading_left_;
      return ReadyState::Loading;
    }
    return ReadyState::Complete;
  }

  bool IndicatorVisible() { return platform::IsControlVisible(window_, kIndicator); }
  void Press(const char* tile) { fake::Press(window_, tile, Event::LeftButtonDown); }
  void PressLater(const char* tile) {
    fake::Queue([this, tile] { Press(tile); });
  }

  platform::WindowId window_ = 0;
  int readings_per_page_ = 3;
  int loading_left_ = 0;
  std::size_t navigations_seen_ = 0;
  int readings_ = 0;
  std::function<void(int)> on_reading_;
};

TEST_F(ShowPageTest, APageThatIsNotLoadingAtTheFirstReadingDispatchesNothing) {
  readings_per_page_ = 0;
  fake::Queue([] {});
  main_window::ShowPage("http://example/");
  EXPECT_EQ(fake::Get().dispatched, 0);
  EXPECT_EQ(readings_, 1);
  EXPECT_FALSE(IndicatorVisible());
  EXPECT_EQ(fake::Get().navigations, std::vector<std::string>{"http://example/"});
}

TEST_F(ShowPageTest, TheIndicatorShowsWhileLoadingAndEventsGoOn) {
  std::vector<bool> indicator_seen;
  on_reading_ = [&](int) {
    indicator_seen.push_back(IndicatorVisible());
    fake::Queue([] {});
  };
  main_window::ShowPage("http://example/");
  EXPECT_EQ(readings_, 4);
  EXPECT_EQ(indicator_seen, (std::vector<bool>{true, true, true, true}));
  EXPECT_FALSE(IndicatorVisible());
  EXPECT_EQ(fake::Get().dispatched, 3) << "events of every loading pass are dispatched";
}

TEST_F(ShowPageTest, TilesHandTheirAddressesOverUnchanged) {
  readings_per_page_ = 0;
  struct Row {
    const char* tile;
    std::string url;
  };
  const std::string shop = remote::ShopHost();
  const Row rows[] = {{"图片框1", shop},
                      {"图片框2", "http://" + shop + "/?mod=brand"},
                      {"图片框3", "http://" + shop + "/?mod=goods&ac=nine"},
                      {"图片框4", "http://" + shop + "/?mod=goods&ac=nineteen"},
                      {"图片框5", "http://" + shop + "/?mod=goods&ac=jingpin"}};
  for (const Row& row : rows) {
    Press(row.tile);
    EXPECT_EQ(fake::Get().navigations.back(), row.url) << row.tile;
  }
  Press("图片框6");
  EXPECT_EQ(fake::Get().opened_urls,
            std::vector<std::string>{"http://" + remote::OfficialHost() + "/?mod=business"});
  EXPECT_EQ(fake::Get().navigations.size(), 5u) << "the merchant tile leaves the browser alone";
}

struct NestedCase {
  const char* name;
  const char* second_tile;
  std::size_t navigations;
  int readings;  // readings of the ready state in all
};

class NestedWaits : public ShowPageTest, public ::testing::WithParamInterface<NestedCase> {};

TEST_P(NestedWaits, UnwindFromTheInsideOut) {
  const auto& c = GetParam();
  std::vector<bool> indicator_after_second;
  on_reading_ = [&](int reading) {
    if (reading == 1)
      fake::Queue([&] {
        Press(c.second_tile);
        indicator_after_second.push_back(IndicatorVisible());
      });
  };
  Press("图片框2");
  EXPECT_EQ(fake::Get().navigations.size(), c.navigations);
  EXPECT_EQ(readings_, c.readings);
  ASSERT_EQ(indicator_after_second.size(), 1u);
  EXPECT_FALSE(IndicatorVisible());
  EXPECT_EQ(fake::Get().navigations.front(), remote::BrandPageUrl());
}

INSTANTIATE_TEST_SUITE_P(ShowPage, NestedWaits,
                         ::testing::Values(
                             // The inner call reads its own page to the end (1 + 3 loading + 1),
                             // then the outer reads once more and finds the browser done.
                             NestedCase{"second_tile_replaces_the_load", "图片框3", 2, 1 + 4 + 1},
                             NestedCase{"same_tile_again", "图片框2", 2, 1 + 4 + 1},
                             // The merchant tile opens outside; the outer wait goes on as before.
                             NestedCase{"merchant_tile_during_the_load", "图片框6", 1, 4}),
                         CaseName());

TEST_F(ShowPageTest, TheIndicatorStaysWhileAnInnerLoadRunsAndGoesWhenAllHaveEnded) {
  std::vector<bool> seen_in_inner;
  on_reading_ = [&](int reading) {
    if (reading == 1) PressLater("图片框3");
    if (reading == 3) seen_in_inner.push_back(IndicatorVisible());
  };
  Press("图片框1");
  EXPECT_EQ(seen_in_inner, std::vector<bool>{true});
  EXPECT_FALSE(IndicatorVisible());
}

TEST_F(ShowPageTest, TheWaitEndsWhenMainWindowIsClosedDuringIt) {
  readings_per_page_ = 1000000;
  on_reading_ = [&](int reading) {
    if (reading == 2) fake::Queue([&] { platform::DestroyWindow(window_); });
  };
  main_window::ShowPage("http://example/");
  EXPECT_EQ(readings_, 2) << "the browser that is gone reads as not loading";
  EXPECT_FALSE(platform::WindowExists(window_));
}

}  // namespace
