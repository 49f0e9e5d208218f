#include "platform/common/user_dirs.h"

namespace platform::xdg {

namespace {

using std::string_view;

constexpr string_view kKey = "XDG_DESKTOP_DIR";
constexpr string_view kHome = "$HOME";

string_view SkipBlanks(string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  return text;
}

std::string WithoutTrailingSlashes(string_view path) {
  while (!path.empty() && path.back() == '/') path.remove_suffix(1);
  return std::string(path);
}

// The text between the quotes that open quoted, undoing the backslashes the
// shell reads there; nothing when the closing quote is missing.
std::optional<std::string> Unquote(string_view quoted) {
  std::string text;
  for (std::size_t at = 1; at < quoted.size(); ++at) {
    const char c = quoted[at];
    if (c == '"') return text;
    if (c == '\\' && at + 1 < quoted.size() &&
        string_view("\"\\$`").find(quoted[at + 1]) != string_view::npos) {
      text += quoted[++at];
    } else {
      text += c;
    }
  }
  return std::nullopt;
}

std::optional<std::string> DesktopFromLine(string_view line, string_view home) {
  line = SkipBlanks(line);
  if (!line.starts_with(kKey)) return std::nullopt;
  line = SkipBlanks(line.substr(kKey.size()));
  if (!line.starts_with('=')) return std::nullopt;
  line = SkipBlanks(line.substr(1));
  if (!line.starts_with('"')) return std::nullopt;
  // "$HOME" is looked for before the escapes are undone: "\$HOME" is no home.
  if (line.substr(1).starts_with(kHome)) {
    const string_view rest = line.substr(1 + kHome.size());
    if (home.empty() || !(rest.starts_with('/') || rest.starts_with('"'))) return std::nullopt;
    const std::optional<std::string> relative = Unquote("\"" + std::string(rest));
    if (!relative) return std::nullopt;
    return WithoutTrailingSlashes(home) + *relative;
  }
  std::optional<std::string> path = Unquote(line);
  if (!path || !path->starts_with('/')) return std::nullopt;
  return path;
}

}  // namespace

std::string ConfigHome(string_view config_home, string_view home) {
  if (config_home.starts_with('/')) {
    const std::string folder = WithoutTrailingSlashes(config_home);
    return folder.empty() ? "/" : folder;
  }
  if (home.empty()) return std::string();
  return WithoutTrailingSlashes(home) + "/.config";
}

std::string UserDirsFile(string_view config_home, string_view home) {
  const std::string folder = ConfigHome(config_home, home);
  if (folder.empty()) return folder;
  return WithoutTrailingSlashes(folder) + "/user-dirs.dirs";
}

std::optional<std::string> DesktopFromUserDirs(string_view contents, string_view home) {
  // The file is read by the shell too, where a later line wins.
  std::optional<std::string> desktop;
  while (!contents.empty()) {
    const std::size_t newline = contents.find('\n');
    const string_view line = contents.substr(0, newline);
    contents.remove_prefix(newline == string_view::npos ? contents.size() : newline + 1);
    if (auto found = DesktopFromLine(line, home)) desktop = std::move(found);
  }
  return desktop;
}

std::string DesktopDirectory(string_view home, const std::optional<std::string>& user_dirs) {
  std::string directory;
  if (user_dirs) {
    directory = *user_dirs;
  } else if (!home.empty()) {
    directory = WithoutTrailingSlashes(home) + "/Desktop";
  }
  if (!directory.empty() && directory.back() != '/') directory += '/';
  return directory;
}

}  // namespace platform::xdg
