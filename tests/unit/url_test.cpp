#include <gtest/gtest.h>

#include <string>

#include "platform/common/url.h"
#include "test_fixture.h"

namespace {

using platform::http::Scheme;
using platform::http::UrlParts;

struct CanonicalCase {
  const char* name;
  std::string url;
  std::optional<std::string> canonical;  // nullopt: no canonical form
};

class CanonicalForm : public ::testing::TestWithParam<CanonicalCase> {};

TEST_P(CanonicalForm, ResolvesDotSegmentsAndEscapesNothing) {
  const auto& c = GetParam();
  std::string canonical = "untouched";
  const bool ok = platform::url::Canonicalize(c.url, canonical);
  ASSERT_EQ(ok, c.canonical.has_value());
  if (ok) {
    EXPECT_EQ(canonical, *c.canonical);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Url, CanonicalForm,
    ::testing::Values(
        CanonicalCase{"already_canonical", "http://shop.test/1.txt", "http://shop.test/1.txt"},
        CanonicalCase{"single_and_double_dots", "http://h/a/./b/../c", "http://h/a/c"},
        CanonicalCase{"double_dot_at_the_root", "http://h/../../x", "http://h/x"},
        CanonicalCase{"double_dot_at_the_end", "http://h/a/b/..", "http://h/a/"},
        CanonicalCase{"single_dot_at_the_end", "http://h/a/.", "http://h/a/"},
        CanonicalCase{"dots_inside_names_stay", "http://h/a/.../..b/c..", "http://h/a/.../..b/c.."},
        CanonicalCase{"query_and_fragment_untouched", "http://h/a/../b?x=/../y#/./z",
                      "http://h/b?x=/../y#/./z"},
        CanonicalCase{"no_path", "http://127.0.0.1:8765", "http://127.0.0.1:8765/"},
        CanonicalCase{"query_without_path", "http://h?mod=brand", "http://h/?mod=brand"},
        CanonicalCase{"scheme_in_lower_case", "HTTP://Shop.Test/A", "http://Shop.Test/A"},
        CanonicalCase{"unsafe_characters_not_escaped", "http://h/a b/<\">{}|^`",
                      "http://h/a b/<\">{}|^`"},
        CanonicalCase{"escapes_not_decoded", "http://h/%2e%2e/%41%20", "http://h/%2e%2e/%41%20"},
        CanonicalCase{"gbk_bytes_kept", "http://h/\xD0\xC2.txt", "http://h/\xD0\xC2.txt"},
        CanonicalCase{"no_host", "mailto:a/../b", "mailto:a/../b"},
        CanonicalCase{"empty", "", std::nullopt},
        CanonicalCase{"no_scheme", "shop.test/1.txt", std::nullopt},
        CanonicalCase{"relative_path", "/1.txt", std::nullopt},
        CanonicalCase{"empty_scheme", "://h/", std::nullopt}),
    CaseName());

struct SplitCase {
  const char* name;
  std::string url;
  bool ok;
  UrlParts parts;
};

class UrlSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(UrlSplit, GivesEveryComponentWithinItsRoom) {
  const auto& c = GetParam();
  UrlParts parts;
  ASSERT_EQ(platform::url::Split(c.url, parts), c.ok);
  if (!c.ok) return;
  EXPECT_EQ(parts.scheme, c.parts.scheme);
  EXPECT_EQ(parts.host, c.parts.host);
  EXPECT_EQ(parts.port, c.parts.port);
  EXPECT_EQ(parts.user, c.parts.user);
  EXPECT_EQ(parts.password, c.parts.password);
  EXPECT_EQ(parts.path, c.parts.path);
}

const std::string k255(255, 'a');
const std::string k256(256, 'a');

INSTANTIATE_TEST_SUITE_P(
    Url, UrlSplit,
    ::testing::Values(
        SplitCase{"status_file",
                  "http://shop.test/1.txt",
                  true,
                  {Scheme::Http, "shop.test", 80, "", "", "/1.txt"}},
        SplitCase{"https_default_port",
                  "https://shop.test/",
                  true,
                  {Scheme::Https, "shop.test", 443, "", "", "/"}},
        SplitCase{"scheme_in_capitals", "HTTP://h/", true, {Scheme::Http, "h", 80, "", "", "/"}},
        SplitCase{"port_query_and_fragment_kept",
                  "http://127.0.0.1:8765/?mod=brand#top",
                  true,
                  {Scheme::Http, "127.0.0.1", 8765, "", "", "/?mod=brand#top"}},
        SplitCase{"empty_port", "http://h:/x", true, {Scheme::Http, "h", 80, "", "", "/x"}},
        SplitCase{"highest_port", "http://h:65535/", true, {Scheme::Http, "h", 65535, "", "", "/"}},
        SplitCase{"user_and_password",
                  "http://me:pw@h/x",
                  true,
                  {Scheme::Http, "h", 80, "me", "pw", "/x"}},
        SplitCase{"user_only", "http://me@h:81/", true, {Scheme::Http, "h", 81, "me", "", "/"}},
        SplitCase{
            "colon_in_password", "http://a:b:c@h/", true, {Scheme::Http, "h", 80, "a", "b:c", "/"}},
        SplitCase{"ipv6", "http://[::1]:8080/x", true, {Scheme::Http, "::1", 8080, "", "", "/x"}},
        SplitCase{"other_scheme", "ftp://h/x", true, {Scheme::Unknown, "h", 0, "", "", "/x"}},
        SplitCase{"no_path", "http://h", true, {Scheme::Http, "h", 80, "", "", ""}},
        SplitCase{"port_zero", "http://h:0/", false, {}},
        SplitCase{"port_too_high", "http://h:65536/", false, {}},
        SplitCase{"port_not_a_number", "http://h:8o/", false, {}},
        SplitCase{"empty_host", "http:///x", false, {}},
        SplitCase{"no_authority", "http:h/x", false, {}},
        SplitCase{"unclosed_ipv6", "http://[::1/x", false, {}},
        SplitCase{"host_fills_its_room",
                  "http://" + k255 + "/",
                  true,
                  {Scheme::Http, k255, 80, "", "", "/"}},
        SplitCase{"host_too_long", "http://" + k256 + "/", false, {}},
        SplitCase{"path_fills_its_room",
                  "http://h/" + std::string(2046, 'p'),
                  true,
                  {Scheme::Http, "h", 80, "", "", "/" + std::string(2046, 'p')}},
        SplitCase{"path_with_query_too_long", "http://h/?" + std::string(2046, 'q'), false, {}},
        SplitCase{"user_fills_its_room",
                  "http://" + std::string(127, 'u') + "@h/",
                  true,
                  {Scheme::Http, "h", 80, std::string(127, 'u'), "", "/"}},
        SplitCase{"user_too_long", "http://" + std::string(128, 'u') + "@h/", false, {}},
        SplitCase{"password_fills_its_room",
                  "http://u:" + std::string(127, 'p') + "@h/",
                  true,
                  {Scheme::Http, "h", 80, "u", std::string(127, 'p'), "/"}},
        SplitCase{"password_too_long", "http://u:" + std::string(128, 'p') + "@h/", false, {}}),
    CaseName());

}  // namespace
