// The start-up sequence against the fake platform and a scripted shop.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "fake_http.h"
#include "fake_platform.h"
#include "main_window/main_window.h"
#include "notice_window/notice_window.h"
#include "remote/hosts.h"
#include "test_fixture.h"

namespace {

using fake_http::Exchange;

constexpr const char* kNetworkMessage = "当前网络不通畅或数据服务器正在维护中……";

// An answer with this body, or no answer at all.
Exchange Answer(std::optional<std::string> body) {
  Exchange exchange;
  if (!body) {
    exchange.fail = fake_http::Fail::Send;
  } else {
    exchange.content_length = std::to_string(body->size());
    exchange.pieces = {*body};
  }
  return exchange;
}

class StartupTest : public FrameTest {
 protected:
  // Runs the creation of MainWindow, and with it the start-up sequence.
  void Start(std::vector<std::optional<std::string>> answers) {
    for (auto& answer : answers) fake_http::Get().next.push_back(Answer(answer));
    fake_http::Get().exchange = Answer(std::nullopt);  // anything more finds no server
    ASSERT_TRUE(main_window::Create());
  }
  bool Visible(const char* control) {
    return platform::IsControlVisible(main_window::Window(), control);
  }
};

struct StatusCase {
  const char* name;
  std::vector<std::optional<std::string>> answers;  // 1.txt, 1.txt again, new.txt
  int requests;
  enum Outcome { HomePage, Notice, Message } outcome;
};

class StatusCheck : public StartupTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(StatusCheck, DecidesHowTheStartEnds) {
  const auto& c = GetParam();
  Start(c.answers);
  const std::string status = "http://" + remote::ShopHost() + "/1.txt";
  const std::string notice = "http://" + remote::ShopHost() + "/new.txt";
  std::vector<std::string> expected_urls(std::min(c.requests, 2), status);
  if (c.requests == 3) expected_urls.push_back(notice);
  EXPECT_EQ(fake_http::Get().urls, expected_urls);

  const bool home = c.outcome == StatusCase::HomePage;
  const bool notice_shown = c.outcome == StatusCase::Notice;
  EXPECT_EQ(fake::Get().navigations,
            home ? std::vector<std::string>{remote::ShopHost()} : std::vector<std::string>{});
  EXPECT_EQ(Visible("图片框9"), notice_shown);
  EXPECT_EQ(Visible("透明标签2"), notice_shown);
  EXPECT_EQ(platform::WindowExists(notice_window::Window()), notice_shown);
  if (c.outcome == StatusCase::Message) {
    ASSERT_EQ(fake::Get().message_boxes.size(), 1u);
    EXPECT_EQ(fake::Get().message_boxes[0].text, kNetworkMessage);
    EXPECT_EQ(fake::Get().message_boxes[0].caption, "信息：");
    EXPECT_EQ(fake::Get().message_boxes[0].style, platform::MessageBoxStyle::TaskModalInformation);
  } else {
    EXPECT_TRUE(fake::Get().message_boxes.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Startup, StatusCheck,
    ::testing::Values(
        StatusCase{"yes", {"yes"}, 1, StatusCase::HomePage},
        StatusCase{"yes_then_zero_byte", {std::string("yes\0more", 8)}, 1, StatusCase::HomePage},
        StatusCase{"no_no", {"no", "no", "notice"}, 3, StatusCase::Notice},
        StatusCase{"other_then_no", {"maybe", "no", "notice"}, 3, StatusCase::Notice},
        StatusCase{"no_then_yes", {"no", "yes"}, 2, StatusCase::Message},
        StatusCase{"no_answer", {std::nullopt, std::nullopt}, 2, StatusCase::Message},
        StatusCase{"yes_with_crlf", {"yes\r\n", "x"}, 2, StatusCase::Message},
        StatusCase{"yes_with_lf", {"yes\n", "no", "n"}, 3, StatusCase::Notice},
        StatusCase{"blank_before_yes", {" yes", ""}, 2, StatusCase::Message},
        StatusCase{"capitals", {"YES", "NO"}, 2, StatusCase::Message},
        StatusCase{"byte_order_mark",
                   {"\xEF\xBB\xBFy"
                    "es",
                    "no", "n"},
                   3,
                   StatusCase::Notice}),
    CaseName());

TEST_F(StartupTest, TheNoticeBecomesNoticeTextAndFillsTheWindow) {
  Start({"no", "no", "第一行\r\n第二行"});
  ASSERT_TRUE(app::NoticeText().has_value());
  EXPECT_EQ(*app::NoticeText(), "第一行\r\n第二行");
  EXPECT_EQ(fake::Get().windows.at(notice_window::Window()).control_text.at("编辑框1"),
            "第一行\r\n第二行");
}

TEST_F(StartupTest, AFailedNoticeFetchGivesAnEmptyNoticeAndStillOpensTheWindow) {
  Start({"no", "no", std::nullopt});
  EXPECT_EQ(app::NoticeText(), std::optional<std::string>(""));
  EXPECT_TRUE(platform::WindowExists(notice_window::Window()));
}

struct FirstRunCase {
  const char* name;
  std::optional<std::string> stored;  // nullopt: no pz.ini at all
  bool shortcut_made;
};

class FirstRun : public StartupTest, public ::testing::WithParamInterface<FirstRunCase> {};

TEST_P(FirstRun, MakesTheShortcutOnlyWhileTheEntryIsEmpty) {
  const auto& c = GetParam();
  const std::string settings = "/opt/tolvane/pz.ini";
  if (c.stored) fake::Get().settings[settings]["kj/kj"] = *c.stored;
  Start({"yes"});
  if (c.shortcut_made) {
    ASSERT_EQ(fake::Get().shortcuts.size(), 1u);
    EXPECT_EQ(fake::Get().shortcuts[0].first, "/home/user/Desktop/Tolvane（九块九包邮购）");
    EXPECT_EQ(fake::Get().shortcuts[0].second, "/opt/tolvane/tolvane");
    EXPECT_EQ(fake::Get().settings[settings]["kj/kj"], "1");
  } else {
    EXPECT_TRUE(fake::Get().shortcuts.empty());
    EXPECT_TRUE(fake::Get().settings_writes.empty()) << "a later start writes nothing";
  }
}

INSTANTIATE_TEST_SUITE_P(Startup, FirstRun,
                         ::testing::Values(FirstRunCase{"no_settings_file", std::nullopt, true},
                                           FirstRunCase{"empty_value", "", true},
                                           FirstRunCase{"zero", "0", false},
                                           FirstRunCase{"one", "1", false}),
                         CaseName());

TEST_F(StartupTest, AnUnwritableSettingsFileMakesTheShortcutAgainAtTheNextStart) {
  fake::Get().settings_writable = false;
  Start({"yes"});
  platform::DestroyWindow(main_window::Window());
  Start({"yes"});
  EXPECT_EQ(fake::Get().shortcuts.size(), 2u);
}

struct PathCase {
  const char* name;
  const char* program;
  char separator;
  const char* desktop;
  const char *settings, *skin, *shortcut;
};

class StartupPaths : public StartupTest, public ::testing::WithParamInterface<PathCase> {};

TEST_P(StartupPaths, AreJoinedFromTheProgramAndDesktopDirectories) {
  const auto& c = GetParam();
  fake::Get().program_path = c.program;
  fake::Get().separator = c.separator;
  fake::Get().desktop_directory = c.desktop;
  Start({"yes"});
  EXPECT_EQ(fake::Get().settings_reads, std::vector<std::string>{c.settings});
  ASSERT_EQ(fake::Get().skin_attached.size(), 1u);
  EXPECT_EQ(fake::Get().skin_attached[0].first, c.skin);
  EXPECT_EQ(fake::Get().skin_attached[0].second, "") << "the second text is empty, never missing";
  ASSERT_EQ(fake::Get().shortcuts.size(), 1u);
  EXPECT_EQ(fake::Get().shortcuts[0].first, c.shortcut);
  EXPECT_EQ(fake::Get().shortcuts[0].second, c.program);
}

INSTANTIATE_TEST_SUITE_P(
    Startup, StartupPaths,
    ::testing::Values(PathCase{"program_files", "C:\\Program Files\\Tolvane\\tolvane.exe", '\\',
                               "C:\\Users\\li\\Desktop\\", "C:\\Program Files\\Tolvane\\pz.ini",
                               "C:\\Program Files\\Tolvane\\skin.she",
                               "C:\\Users\\li\\Desktop\\Tolvane（九块九包邮购）"},
                      PathCase{"drive_root", "C:\\tolvane.exe", '\\', "D:\\Desktop\\", "C:\\pz.ini",
                               "C:\\skin.she", "D:\\Desktop\\Tolvane（九块九包邮购）"},
                      PathCase{"dotted_desktop", "C:\\a\\tolvane.exe", '\\',
                               "C:\\Users\\li.wei\\Desktop\\", "C:\\a\\pz.ini", "C:\\a\\skin.she",
                               "C:\\Users\\li.wei\\Desktop\\Tolvane（九块九包邮购）"},
                      PathCase{"no_desktop", "/opt/t/tolvane", '/', "", "/opt/t/pz.ini",
                               "/opt/t/skin.she", "Tolvane（九块九包邮购）"},
                      PathCase{"linux_root", "/tolvane", '/', "/home/u/Desktop/", "/pz.ini",
                               "/skin.she", "/home/u/Desktop/Tolvane（九块九包邮购）"}),
    CaseName());

struct SkinFailureCase {
  const char* name;
  std::vector<std::string> locations;
  bool has_entry;
  bool unloaded;
};

class SkinLibraryMissing : public StartupTest,
                           public ::testing::WithParamInterface<SkinFailureCase> {};

TEST_P(SkinLibraryMissing, StopsBeforeAnythingIsReadOrRequested) {
  const auto& c = GetParam();
  fake::Get().library_locations = c.locations;
  fake::Get().library_has_entry = c.has_entry;
  fake_http::Get().next.push_back(Answer("yes"));
  try {
    main_window::Create();
    FAIL() << "the start went on without its skin library";
  } catch (const fake::ProcessExit& exit) {
    EXPECT_EQ(exit.code, -1);
  }
  ASSERT_EQ(fake::Get().message_boxes.size(), 1u);
  EXPECT_EQ(fake::Get().message_boxes[0].text,
            "运行时出错!\r\n\r\n错误信息：无法找到指定DLL库文件“SkinH_EL.dll”中的输出命令“"
            "SkinH_AttachEx”\r\n");
  EXPECT_EQ(fake::Get().message_boxes[0].caption, "错误");
  EXPECT_EQ(fake::Get().library_unloaded, c.unloaded);
  EXPECT_TRUE(fake::Get().settings_reads.empty());
  EXPECT_TRUE(fake_http::Get().urls.empty());
  EXPECT_TRUE(fake::Get().skin_attached.empty());
  EXPECT_EQ(app::testing::ExitCleanupRuns(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Startup, SkinLibraryMissing,
    ::testing::Values(
        SkinFailureCase{"nowhere", {}, true, false},
        SkinFailureCase{"without_entry_beside_program", {"/opt/tolvane/SkinH_EL.dll"}, false, true},
        SkinFailureCase{"without_entry_on_search_path", {"SkinH_EL.dll"}, false, true}),
    CaseName());

TEST_F(StartupTest, TheLibraryBesideTheProgramIsTriedFirst) {
  fake::Get().library_locations = {"/opt/tolvane/SkinH_EL.dll", "SkinH_EL.dll"};
  Start({"yes"});
  EXPECT_EQ(fake::Get().library_attempts, std::vector<std::string>{"/opt/tolvane/SkinH_EL.dll"});
}

}  // namespace
