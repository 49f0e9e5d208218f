// The design places every control where the window's users will look for it:
// checked in client coordinates, where parents' offsets add up.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "main_window/main_window.h"

namespace {

struct Rect {
  int left, top, right, bottom;  // inclusive
  bool operator==(const Rect&) const = default;
};

std::map<std::string, Rect> ClientRects() {
  std::map<std::string, Rect> rects;
  for (const auto& c : main_window::Design().controls) {
    int left = c.left, top = c.top;
    if (c.parent) {
      left += rects.at(c.parent).left;
      top += rects.at(c.parent).top;
    }
    rects[c.name] = {left, top, left + c.width - 1, top + c.height - 1};
  }
  return rects;
}

TEST(MainWindowDesign, ControlsLieWhereTheWindowShowsThem) {
  const auto rects = ClientRects();
  EXPECT_EQ(rects.at("互联网浏览器1"), (Rect{197, 9, 940, 462}));
  EXPECT_EQ(rects.at("图片框9"), (Rect{859, 10, 938, 89}));
  EXPECT_EQ(rects.at("图片框7"), (Rect{523, 166, 622, 265}));
  EXPECT_EQ(rects.at("透明标签2"), (Rect{879, 28, 925, 80}));
}

TEST(MainWindowDesign, OnlyTheTilesAndFrameAreVisibleAtStart) {
  std::map<std::string, bool> visible;
  for (const auto& c : main_window::Design().controls) visible[c.name] = c.visible;
  for (const char* hidden : {"图片框7", "图片框9", "透明标签2"})
    EXPECT_FALSE(visible[hidden]) << hidden;
  for (const char* shown : {"图片框1", "图片框2", "图片框3", "图片框4", "图片框5", "图片框6",
                            "分组框1", "互联网浏览器1"})
    EXPECT_TRUE(visible[shown]) << shown;
}

TEST(MainWindowDesign, StackingPutsTheBadgeInFrontOfTheBrowserFrame) {
  const auto& stacking = main_window::Design().stacking;
  auto rank = [&](const char* name) {
    for (std::size_t i = 0; i < stacking.size(); ++i)
      if (std::string(stacking[i]) == name) return i;
    return stacking.size();
  };
  EXPECT_LT(rank("图片框9"), rank("分组框1"));
  EXPECT_LT(rank("图片框7"), rank("互联网浏览器1"));
  for (const auto& c : main_window::Design().controls) {
    if (!c.parent || std::string(c.parent) != "图片框9") {
      EXPECT_LT(rank(c.name), stacking.size()) << c.name;
    }
  }
}

}  // namespace
