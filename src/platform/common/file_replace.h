// Whole-file reads, and replacement of a file that a crash cannot leave half
// written (POSIX).
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

namespace platform::files {

enum class ReadResult { kRead, kMissing, kFailed };

// kMissing only when nothing is at path; a directory or an unreadable file is
// kFailed, so that a caller never mistakes it for a new, empty file.
ReadResult ReadFile(const std::string& path, std::string& bytes);

// Writes bytes to a new file beside path and renames it over path: path holds
// either its old bytes or the new ones, whatever happens in between. The file
// gets mode when one is given, else it keeps the mode (and owner) it had; a
// new file gets 0666 less the umask. A symbolic link at path stays, and its
// target is replaced.
bool ReplaceFile(const std::string& path, std::string_view bytes,
                 std::optional<mode_t> mode = std::nullopt);

}  // namespace platform::files
