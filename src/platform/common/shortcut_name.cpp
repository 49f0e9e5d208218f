#include "platform/common/shortcut_name.h"

namespace platform::shortcut {

namespace {

bool IsLeadByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 0x81 && byte <= 0xFE;
}

std::string_view FileName(std::string_view path, char separator) {
  std::size_t start = 0;
  for (std::size_t at = 0; at < path.size(); ++at) {
    if (path[at] == separator) {
      start = at + 1;
    } else if (IsLeadByte(path[at])) {
      ++at;
    }
  }
  return path.substr(start);
}

}  // namespace

std::string WithExtension(std::string_view path, char separator, std::string_view extension) {
  std::string result(path);
  if (FileName(path, separator).find('.') == std::string_view::npos) result += extension;
  return result;
}

std::string TitleOf(std::string_view path, char separator) {
  const std::string_view name = FileName(path, separator);
  const auto dot = name.rfind('.');
  return std::string(dot == 0 || dot == std::string_view::npos ? name : name.substr(0, dot));
}

}  // namespace platform::shortcut
