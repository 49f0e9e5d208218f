#include "platform/common/desktop_entry.h"

namespace platform::desktop_entry {

namespace {

// Characters that the Desktop Entry format reserves in Exec arguments.
constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";

// Characters that stay special inside double quotes.
constexpr std::string_view kEscapedInQuotes = "\"`$\\";

}  // namespace

std::string QuoteArgument(std::string_view argument) {
  if (!argument.empty() && argument.find_first_of(kReserved) == std::string_view::npos) {
    return std::string(argument);
  }
  std::string quoted = "\"";
  for (const char c : argument) {
    if (kEscapedInQuotes.find(c) != std::string_view::npos) quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

std::string EscapeValue(std::string_view value) {
  std::string escaped;
  for (std::size_t at = 0; at < value.size(); ++at) {
    const char c = value[at];
    switch (c) {
      case '\\':
        escaped += "\\\\";
        break;
      case '\n':
        escaped += "\\n";
        break;
      case '\r':
        escaped += "\\r";
        break;
      case '\t':
        escaped += "\\t";
        break;
      case ' ':
        escaped += at == 0 || at + 1 == value.size() ? "\\s" : " ";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string ExecValue(std::string_view program) {
  std::string command;
  for (const char c : QuoteArgument(program)) {
    command += c;
    if (c == '%') command += '%';
  }
  return EscapeValue(command);
}

std::string LauncherText(const Launcher& launcher) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Version=1.0\n"
         "Name=" +
         EscapeValue(launcher.name) +
         "\n"
         "Exec=" +
         ExecValue(launcher.program) +
         "\n"
         "TryExec=" +
         EscapeValue(launcher.program) +
         "\n"
         "Icon=" +
         EscapeValue(launcher.icon) +
         "\n"
         "Terminal=false\n"
         "Categories=Network;WebBrowser;\n";
}

}  // namespace platform::desktop_entry
