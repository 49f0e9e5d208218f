#pragma once

#include <gtest/gtest.h>

#include "app/frame.h"
#include "fake_http.h"
#include "fake_platform.h"

// Every test starts from a fresh process: frame and platform as at start.
class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    fake_http::Reset();
    app::testing::ResetFrame();
  }
};

// Names a parameterized case by its table row's own name.
struct CaseName {
  template <class Param>
  std::string operator()(const ::testing::TestParamInfo<Param>& row) const {
    return row.param.name;
  }
};
