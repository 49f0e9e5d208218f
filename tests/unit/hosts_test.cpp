#include <gtest/gtest.h>

#include <string>

#include "remote/hosts.h"
#include "test_fixture.h"

namespace {

struct AddressCase {
  const char* name;
  platform::Text (*address)();
  std::string expected;
};

class RemoteAddress : public ::testing::TestWithParam<AddressCase> {};

TEST_P(RemoteAddress, IsAHostOfTheBuildWithItsFixedPath) {
  EXPECT_EQ(GetParam().address(), GetParam().expected);
}

// The build's settings, handed to this test the way they are handed to the hosts.
const std::string kShop = EXPECTED_SHOP_HOST;
const std::string kOfficial = EXPECTED_OFFICIAL_HOST;

INSTANTIATE_TEST_SUITE_P(
    Remote, RemoteAddress,
    ::testing::Values(
        AddressCase{"shop_host", &remote::ShopHost, kShop},
        AddressCase{"official_host", &remote::OfficialHost, kOfficial},
        AddressCase{"status_file", &remote::StatusFileUrl, "http://" + kShop + "/1.txt"},
        AddressCase{"notice_file", &remote::NoticeFileUrl, "http://" + kShop + "/new.txt"},
        AddressCase{"bare_host", &remote::ShopBareHost, kShop},
        AddressCase{"shop_root_without_slash", &remote::ShopRootUrl, "http://" + kShop},
        AddressCase{"brand", &remote::BrandPageUrl, "http://" + kShop + "/?mod=brand"},
        AddressCase{"nine", &remote::NinePageUrl, "http://" + kShop + "/?mod=goods&ac=nine"},
        AddressCase{"nineteen", &remote::NineteenPageUrl,
                    "http://" + kShop + "/?mod=goods&ac=nineteen"},
        AddressCase{"jingpin", &remote::JingpinPageUrl,
                    "http://" + kShop + "/?mod=goods&ac=jingpin"},
        AddressCase{"business", &remote::BusinessPageUrl, "http://" + kOfficial + "/?mod=business"},
        AddressCase{"official_root", &remote::OfficialRootUrl, "http://" + kOfficial + "/"}),
    CaseName());

}  // namespace
