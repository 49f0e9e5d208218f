#include "platform/program_paths.h"

#include "platform/process.h"

namespace platform {

Text DirectoryOf(const Text& path, char separator) {
  const auto cut = path.rfind(separator);
  return cut == Text::npos ? Text() : path.substr(0, cut);
}

Text FileNameOf(const Text& path, char separator) {
  const auto cut = path.rfind(separator);
  return cut == Text::npos ? path : path.substr(cut + 1);
}

Text ProgramDirectory() { return DirectoryOf(ProgramPath(), PathSeparator()); }

Text ProgramFileName() { return FileNameOf(ProgramPath(), PathSeparator()); }

}  // namespace platform
