// The launcher we write, read back by a reader of the Desktop Entry rules
// written here from the format's description and independent of the writer:
// first the string escapes \s \n \t \r \\, then Exec's quoting (an argument
// with a reserved character in double quotes, where " ` $ \ take a
// backslash), then "%%" for a literal '%'. The input is the program's path,
// then the launcher's name and icon, separated by zero bytes.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "platform/common/desktop_entry.h"

namespace {

namespace entry = platform::desktop_entry;
using std::string;
using std::string_view;
using Arguments = std::vector<string>;

constexpr string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
constexpr string_view kEscapedInQuotes = "\"`$\\";

// A string value's escapes undone; nullopt for an escape the format does not have.
std::optional<string> UnescapeValue(string_view value) {
  string text;
  for (std::size_t at = 0; at < value.size(); ++at) {
    if (value[at] != '\\') {
      text += value[at];
      continue;
    }
    if (++at == value.size()) return std::nullopt;
    switch (value[at]) {
      case 's':
        text += ' ';
        break;
      case 'n':
        text += '\n';
        break;
      case 't':
        text += '\t';
        break;
      case 'r':
        text += '\r';
        break;
      case '\\':
        text += '\\';
        break;
      default:
        return std::nullopt;
    }
  }
  return text;
}

// The arguments of a command line with its quoting undone; nullopt when it
// breaks the quoting rules: a reserved character outside quotes, a raw " ` $
// or \ inside them, a backslash before anything else, an unclosed quote.
std::optional<Arguments> Unquote(string_view command) {
  Arguments arguments;
  std::size_t at = 0;
  while (at < command.size()) {
    if (command[at] == ' ') {
      ++at;
      continue;
    }
    string argument;
    if (command[at] == '"') {
      for (++at;; ++at) {
        if (at == command.size()) return std::nullopt;
        const char c = command[at];
        if (c == '"') break;
        if (c == '\\') {
          if (++at == command.size() || kEscapedInQuotes.find(command[at]) == string_view::npos)
            return std::nullopt;
        } else if (c == '`' || c == '$') {
          return std::nullopt;
        }
        argument += command[at];
      }
      ++at;
      if (at < command.size() && command[at] != ' ') return std::nullopt;
    } else {
      for (; at < command.size() && command[at] != ' '; ++at) {
        if (kReserved.find(command[at]) != string_view::npos) return std::nullopt;
        argument += command[at];
      }
    }
    arguments.push_back(argument);
  }
  return arguments;
}

// "%%" made '%'; nullopt for any other '%', which would start a field code.
std::optional<string> ExpandPercent(string_view argument) {
  string expanded;
  for (std::size_t at = 0; at < argument.size(); ++at) {
    if (argument[at] == '%' && (++at == argument.size() || argument[at] != '%'))
      return std::nullopt;
    expanded += argument[at];
  }
  return expanded;
}

// The program's arguments as a launcher starts it from an Exec value.
std::optional<Arguments> ExecArguments(string_view exec) {
  const auto command = UnescapeValue(exec);
  if (!command) return std::nullopt;
  auto arguments = Unquote(*command);
  if (!arguments) return std::nullopt;
  for (string& argument : *arguments) {
    const auto expanded = ExpandPercent(argument);
    if (!expanded) return std::nullopt;
    argument = *expanded;
  }
  return arguments;
}

// A value as the file holds it: on its own line, and with no blank at either
// end, which a reader trims away.
void CheckValueShape(string_view value) {
  FUZZ_CHECK(value.find_first_of("\r\n") == string_view::npos, "a value holds no raw line break");
  FUZZ_CHECK(value.empty() || (value.front() != ' ' && value.front() != '\t' &&
                               value.back() != ' ' && value.back() != '\t'),
             "a value has no blank at either end for a reader to trim");
}

void CheckValue(const string& text) {
  const string value = entry::EscapeValue(text);
  CheckValueShape(value);
  FUZZ_CHECK(UnescapeValue(value) == text, "a string value reads back as the text");
}

void CheckExec(const string& program) {
  FUZZ_CHECK(Unquote(entry::QuoteArgument(program)) == Arguments{program},
             "a quoted argument unquotes to itself alone");
  const string exec = entry::ExecValue(program);
  CheckValueShape(exec);
  FUZZ_CHECK(ExecArguments(exec) == Arguments{program},
             "Exec starts the program itself, with no argument and no field code");
}

void CheckLauncher(const entry::Launcher& launcher) {
  const string text = entry::LauncherText(launcher);
  FUZZ_CHECK(text.ends_with('\n'), "the last line is ended");
  std::vector<string_view> lines;
  for (string_view rest = text; !rest.empty();) {
    const std::size_t end = rest.find('\n');
    lines.push_back(rest.substr(0, end));
    rest.remove_prefix(end + 1);
  }
  const std::vector<string_view> expected = {"[Desktop Entry]",
                                             "Type=Application",
                                             "Version=1.0",
                                             "Name=",
                                             "Exec=",
                                             "TryExec=",
                                             "Icon=",
                                             "Terminal=false",
                                             "Categories=Network;WebBrowser;"};
  FUZZ_CHECK(lines.size() == expected.size(), "the launcher has its nine lines, no more");
  for (std::size_t i = 0; i < lines.size(); ++i) {
    FUZZ_CHECK(
        expected[i].ends_with('=') ? lines[i].starts_with(expected[i]) : lines[i] == expected[i],
        "every line is the key expected there");
  }
  auto value = [&](std::size_t line) { return lines[line].substr(lines[line].find('=') + 1); };
  FUZZ_CHECK(UnescapeValue(value(3)) == launcher.name, "Name reads back");
  FUZZ_CHECK(ExecArguments(value(4)) == Arguments{launcher.program}, "Exec reads back");
  FUZZ_CHECK(UnescapeValue(value(5)) == launcher.program, "TryExec reads back");
  FUZZ_CHECK(UnescapeValue(value(6)) == launcher.icon, "Icon reads back");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  string_view input(reinterpret_cast<const char*>(data), size);
  string fields[3];
  for (string& field : fields) {
    const std::size_t zero = input.find('\0');
    field = input.substr(0, zero);
    input.remove_prefix(zero == string_view::npos ? input.size() : zero + 1);
  }
  const entry::Launcher launcher{fields[1], fields[0], fields[2]};

  CheckExec(launcher.program);
  CheckValue(launcher.program);
  CheckValue(launcher.name);
  CheckLauncher(launcher);
  return 0;
}
