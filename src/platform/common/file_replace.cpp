#include "platform/common/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace platform::files {

namespace {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// A new file beside path, under a name no other writer has taken.
int CreateBeside(const std::string& path, std::string& temporary) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = path + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// The rename itself is made durable too, so that after a crash the directory
// names the new file and not a vanished one.
void SyncDirectoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  const std::string directory =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// The file a symbolic link at path leads to, so that replacing it keeps the link.
std::string ResolveLink(const std::string& path) {
  struct stat link {};
  if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
  char* resolved = realpath(path.c_str(), nullptr);
  if (!resolved) return path;
  std::string target = resolved;
  std::free(resolved);
  return target;
}

}  // namespace

ReadResult ReadFile(const std::string& path, std::string& bytes) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
  std::string data;
  char buffer[8192];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {  // a directory fails here, with EISDIR
      close(fd);
      return ReadResult::kFailed;
    }
    if (got == 0) break;
    data.append(buffer, static_cast<std::size_t>(got));
  }
  close(fd);
  bytes = std::move(data);
  return ReadResult::kRead;
}

bool ReplaceFile(const std::string& path, std::string_view bytes, std::optional<mode_t> mode) {
  if (path.empty()) return false;
  const std::string target = ResolveLink(path);
  struct stat old {};
  const bool existed = stat(target.c_str(), &old) == 0;
  if (existed && !S_ISREG(old.st_mode)) return false;

  std::string temporary;
  const int fd = CreateBeside(target, temporary);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes);
  if (ok && existed && fchown(fd, old.st_uid, old.st_gid) != 0) {
    // Only root may give a file away; for anyone else the new file is theirs.
  }
  if (ok && (mode || existed)) ok = fchmod(fd, mode ? *mode : old.st_mode & 07777) == 0;
  if (ok) ok = fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (ok) ok = std::rename(temporary.c_str(), target.c_str()) == 0;
  if (!ok) {
    unlink(temporary.c_str());
    return false;
  }
  SyncDirectoryOf(target);
  return true;
}

}  // namespace platform::files
