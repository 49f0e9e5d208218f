// The settings file on disk: created, edited in place of the old one, never
// left half written, and refused where it cannot be written. Tests run as
// root too, so unwritable places are made of paths, not permissions.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "platform/common/file_replace.h"
#include "platform/common/profile_store.h"
#include "test_fixture.h"

namespace {

namespace fs = std::filesystem;
using platform::files::ReadFile;
using platform::files::ReadResult;
using platform::files::ReplaceFile;
using platform::profile::ReadFromFile;
using platform::profile::WriteToFile;

class TemporaryDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tolvane-profile-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    old_umask_ = umask(022);
  }
  void TearDown() override {
    umask(old_umask_);
    fs::remove_all(dir_);
  }

  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

  static void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static struct stat StatOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info;
  }
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.insert(entry.path().filename());
    return names;
  }

  fs::path dir_;
  mode_t old_umask_ = 0;
};

using ProfileStore = TemporaryDirectory;

TEST_F(ProfileStore, CreatesAMissingFileWithTheUsualMode) {
  const std::string ini = PathOf("pz.ini");
  EXPECT_EQ(ReadFromFile(ini, "kj", "kj"), "");
  ASSERT_TRUE(WriteToFile(ini, "kj", "kj", "1"));
  EXPECT_EQ(Get(ini), "[kj]\r\nkj=1\r\n");
  EXPECT_EQ(StatOf(ini).st_mode & 07777, 0644u);  // 0666 less the umask
  EXPECT_EQ(ReadFromFile(ini, "kj", "kj"), "1");
  EXPECT_EQ(Names(), std::set<std::string>{"pz.ini"});
}

TEST_F(ProfileStore, RoundTripKeepsEveryOtherByteAndTheMode) {
  const std::string ini = PathOf("pz.ini");
  const std::string before =
      "; written by hand\r\n[window]\nleft = "
      "10\r\ntop=\"20\"\n\n[KJ]\r\nkj=\r\n\r\n[\xC9\xE8]\nx=1";
  Put(ini, before);
  ASSERT_EQ(chmod(ini.c_str(), 0600), 0);
  const ino_t old_inode = StatOf(ini).st_ino;

  ASSERT_TRUE(WriteToFile(ini, "kj", "kj", "1"));

  EXPECT_EQ(Get(ini),
            "; written by hand\r\n[window]\nleft = 10\r\ntop=\"20\"\n\n[KJ]\r\nkj=1\r\n\r\n"
            "[\xC9\xE8]\nx=1");
  EXPECT_EQ(ReadFromFile(ini, "window", "top"), "20");
  EXPECT_EQ(ReadFromFile(ini, "\xC9\xE8", "X"), "1");
  EXPECT_EQ(StatOf(ini).st_mode & 07777, 0600u);
  EXPECT_NE(StatOf(ini).st_ino, old_inode) << "written in place, not through a new file";
  EXPECT_EQ(Names(), std::set<std::string>{"pz.ini"}) << "a temporary file was left behind";
}

TEST_F(ProfileStore, WriteThatChangesNothingLeavesTheFileAlone) {
  const std::string ini = PathOf("pz.ini");
  Put(ini, "[kj]\nkj=1\n");
  const ino_t inode = StatOf(ini).st_ino;
  ASSERT_TRUE(WriteToFile(ini, "KJ", "kj", "1"));
  EXPECT_EQ(StatOf(ini).st_ino, inode);
  EXPECT_EQ(Get(ini), "[kj]\nkj=1\n");
}

TEST_F(ProfileStore, LinkStaysAndItsTargetChanges) {
  const std::string real = PathOf("real.ini");
  const std::string link = PathOf("pz.ini");
  Put(real, "[kj]\r\nkj=\r\n");
  ASSERT_EQ(symlink("real.ini", link.c_str()), 0);
  ASSERT_TRUE(WriteToFile(link, "kj", "kj", "1"));
  EXPECT_TRUE(S_ISLNK(StatOf(link).st_mode));
  EXPECT_EQ(Get(real), "[kj]\r\nkj=1\r\n");
}

// A write that fails half way (here: the file size limit) leaves the old file
// whole and no temporary file beside it.
TEST_F(ProfileStore, FailedWriteKeepsTheOldFileWhole) {
  const std::string ini = PathOf("pz.ini");
  const std::string before = "[a]\r\nx=1\r\n[kj]\r\nkj=0\r\n";
  Put(ini, before);

  rlimit old_limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old_limit;
  small.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = WriteToFile(ini, "kj", "kj", std::string(4096, 'x'));
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);

  EXPECT_FALSE(written);
  EXPECT_EQ(Get(ini), before);
  EXPECT_EQ(Names(), std::set<std::string>{"pz.ini"});
}

// A file that is there but cannot be read must not be taken for a new one:
// writing it anew would lose what it holds. Root reads everything, so the
// test drops to another user for the write.
TEST_F(ProfileStore, UnreadableFileIsNotWrittenAnew) {
  const std::string ini = PathOf("pz.ini");
  Put(ini, "[a]\r\nx=1\r\n");
  ASSERT_EQ(chmod(ini.c_str(), 0), 0);
  ASSERT_EQ(chmod(dir_.c_str(), 0777), 0);
  const uid_t user = geteuid();
  if (user == 0) {
    ASSERT_EQ(seteuid(65534), 0);
  }
  const bool written = WriteToFile(ini, "kj", "kj", "1");
  const std::string read = ReadFromFile(ini, "a", "x");
  if (user == 0) {
    ASSERT_EQ(seteuid(0), 0);
  }

  EXPECT_FALSE(written);
  EXPECT_EQ(read, "");
  ASSERT_EQ(chmod(ini.c_str(), 0600), 0);
  EXPECT_EQ(Get(ini), "[a]\r\nx=1\r\n");
}

struct UnwritableCase {
  const char* name;
  const char* path;  // under the test's directory
};

class ProfileStoreUnwritable : public TemporaryDirectory,
                               public ::testing::WithParamInterface<UnwritableCase> {};

TEST_P(ProfileStoreUnwritable, WriteFailsAndNothingChanges) {
  ASSERT_EQ(mkdir(PathOf("folder").c_str(), 0755), 0);
  Put(PathOf("file"), "[kj]\r\nkj=0\r\n");
  const std::string path = PathOf(GetParam().path);

  EXPECT_EQ(ReadFromFile(path, "kj", "kj"), "");
  EXPECT_FALSE(WriteToFile(path, "kj", "kj", "1"));

  EXPECT_EQ(Names(), (std::set<std::string>{"file", "folder"}));
  EXPECT_TRUE(fs::is_empty(PathOf("folder")));
  EXPECT_EQ(Get(PathOf("file")), "[kj]\r\nkj=0\r\n");
}

INSTANTIATE_TEST_SUITE_P(Profile, ProfileStoreUnwritable,
                         ::testing::Values(UnwritableCase{"path_is_a_directory", "folder"},
                                           UnwritableCase{"directory_missing", "missing/pz.ini"},
                                           UnwritableCase{"directory_is_a_file", "file/pz.ini"}),
                         CaseName());

TEST_F(TemporaryDirectory, ReadTellsMissingFromUnreadable) {
  std::string bytes = "untouched";
  EXPECT_EQ(ReadFile(PathOf("none"), bytes), ReadResult::kMissing);
  EXPECT_EQ(ReadFile(dir_.string(), bytes), ReadResult::kFailed);
  Put(PathOf("file"), "abc");
  EXPECT_EQ(ReadFile(PathOf("file/x"), bytes), ReadResult::kFailed);
  EXPECT_EQ(bytes, "untouched");
  EXPECT_EQ(ReadFile(PathOf("file"), bytes), ReadResult::kRead);
  EXPECT_EQ(bytes, "abc");
}

// Only regular files are replaced: a directory, a pipe or a device at the
// path is not the settings file and stays where it is.
TEST_F(TemporaryDirectory, ReplaceLeavesWhatIsNoRegularFile) {
  const std::string pipe = PathOf("pipe");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
  EXPECT_FALSE(ReplaceFile(pipe, "x"));
  EXPECT_TRUE(S_ISFIFO(StatOf(pipe).st_mode));
  EXPECT_FALSE(ReplaceFile(dir_.string(), "x"));
  EXPECT_FALSE(ReplaceFile("", "x"));
  EXPECT_EQ(Names(), std::set<std::string>{"pipe"});
}

// Launchers ask for their mode whatever the file had and whatever the umask.
TEST_F(TemporaryDirectory, ReplaceGivesTheModeAskedFor) {
  umask(077);
  const std::string fresh = PathOf("new.desktop");
  ASSERT_TRUE(ReplaceFile(fresh, "a\n", 0755));
  EXPECT_EQ(StatOf(fresh).st_mode & 07777, 0755u);

  const std::string old = PathOf("old.desktop");
  Put(old, "old\n");
  ASSERT_EQ(chmod(old.c_str(), 0600), 0);
  ASSERT_TRUE(ReplaceFile(old, "b\n", 0755));
  EXPECT_EQ(StatOf(old).st_mode & 07777, 0755u);
  EXPECT_EQ(Get(old), "b\n");
}

}  // namespace
