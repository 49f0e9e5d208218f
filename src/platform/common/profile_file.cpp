#include "platform/common/profile_file.h"

#include <vector>

namespace platform::profile {

namespace {

using std::string_view;

constexpr string_view kUtf8Bom = "\xEF\xBB\xBF";

// What the Windows functions trim around names and values. A line's own
// "\r\n" or "\n" is not part of its text.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// The first byte of a double-byte character of code page 936. The byte after
// it may have the value of '[', ']' or an ASCII letter and is none of them.
bool IsLeadByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 0x81 && byte <= 0xFE;
}

char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

string_view TrimStart(string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

string_view Trim(string_view text) {
  text = TrimStart(text);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The first c in text that is a character of its own, not a second byte.
std::size_t FindCharacter(string_view text, char c) {
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] == c) return at;
    if (IsLeadByte(text[at])) ++at;
  }
  return string_view::npos;
}

// ASCII letters match either case; double-byte characters match exactly.
bool SameName(string_view a, string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t at = 0; at < a.size(); ++at) {
    if (IsLeadByte(a[at]) && at + 1 < a.size()) {
      if (a[at] != b[at] || a[at + 1] != b[at + 1]) return false;
      ++at;
    } else if (FoldCase(a[at]) != FoldCase(b[at])) {
      return false;
    }
  }
  return true;
}

bool HasLineBreak(string_view text) { return text.find_first_of("\r\n") != string_view::npos; }

// A trimmed name that the line written for it gives back: written followed by
// end (']' or '='), it must end there and nowhere before.
bool ReadsBack(string_view name, char end) {
  std::size_t at = 0;
  for (; at < name.size(); ++at) {
    if (name[at] == end) return false;
    if (IsLeadByte(name[at])) ++at;
  }
  return at == name.size();  // past it: a lead byte without its second byte
}

enum class Kind { kSection, kKey, kOther };  // kOther: comments, blank lines, lines without '='

struct Line {
  std::size_t begin = 0;  // the line's text is [begin, end),
  std::size_t end = 0;    // its line end [end, next)
  std::size_t next = 0;
  Kind kind = Kind::kOther;
  string_view name;             // of the section or the key, trimmed
  std::size_t value_begin = 0;  // a key's value, trimmed, is [value_begin, value_end)
  std::size_t value_end = 0;
};

Line Classify(string_view contents, std::size_t begin, std::size_t end, std::size_t next) {
  Line line;
  line.begin = begin;
  line.end = end;
  line.next = next;
  const string_view text = contents.substr(begin, end - begin);
  const string_view start = TrimStart(text);
  if (start.starts_with('[')) {
    // Whatever follows the closing bracket is not part of the name.
    const string_view inside = start.substr(1);
    line.kind = Kind::kSection;
    line.name = Trim(inside.substr(0, FindCharacter(inside, ']')));
  } else if (!start.starts_with(';')) {
    const std::size_t equals = FindCharacter(text, '=');
    if (equals != string_view::npos) {
      line.kind = Kind::kKey;
      line.name = Trim(text.substr(0, equals));
      const string_view after = text.substr(equals + 1);
      line.value_begin = begin + equals + 1 + (after.size() - TrimStart(after).size());
      line.value_end = line.value_begin + Trim(after).size();
    }
  }
  return line;
}

// Lines end in "\n" or "\r\n"; the last one may have no end. A UTF-8 byte
// order mark before the first line belongs to no line.
std::vector<Line> SplitLines(string_view contents) {
  std::vector<Line> lines;
  std::size_t at = contents.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0;
  while (at < contents.size()) {
    const std::size_t newline = contents.find('\n', at);
    std::size_t end = newline == string_view::npos ? contents.size() : newline;
    const std::size_t next = newline == string_view::npos ? contents.size() : newline + 1;
    if (newline != string_view::npos && end > at && contents[end - 1] == '\r') --end;
    lines.push_back(Classify(contents, at, end, next));
    at = next;
  }
  return lines;
}

// The line end most lines of the file have; "\r\n" for a file without any,
// as Windows writes it.
string_view DominantLineEnd(string_view contents) {
  std::size_t crlf = 0, lf = 0;
  for (std::size_t at = contents.find('\n'); at != string_view::npos;
       at = contents.find('\n', at + 1)) {
    (at > 0 && contents[at - 1] == '\r' ? crlf : lf) += 1;
  }
  return lf > crlf ? "\n" : "\r\n";
}

struct Place {
  std::size_t section;  // index of the section's line, lines.size() when missing
  std::size_t section_end;
  std::size_t key;  // index of the key's line, lines.size() when missing
};

// The first section of that name, and the first key of that name in it.
Place Find(const std::vector<Line>& lines, string_view section, string_view key) {
  Place place{lines.size(), lines.size(), lines.size()};
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind == Kind::kSection && SameName(lines[i].name, section)) {
      place.section = i;
      break;
    }
  }
  if (place.section == lines.size()) return place;
  for (std::size_t i = place.section + 1; i < lines.size(); ++i) {
    if (lines[i].kind == Kind::kSection) {
      place.section_end = i;
      break;
    }
  }
  for (std::size_t i = place.section + 1; i < place.section_end; ++i) {
    if (lines[i].kind == Kind::kKey && SameName(lines[i].name, key)) {
      place.key = i;
      break;
    }
  }
  return place;
}

string_view Unquote(string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

}  // namespace

std::string ReadValue(string_view contents, string_view section, string_view key) {
  const std::vector<Line> lines = SplitLines(contents);
  const Place place = Find(lines, Trim(section), Trim(key));
  if (place.key == lines.size()) return std::string();
  const Line& line = lines[place.key];
  const string_view value =
      Unquote(contents.substr(line.value_begin, line.value_end - line.value_begin));
  return std::string(value.substr(0, kValueLimit));
}

bool WriteValue(std::string& contents, string_view section, string_view key, string_view value) {
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) return false;
  section = Trim(section);
  key = Trim(key);
  // Such a line would be another section's or another key's, or no key's.
  if (!ReadsBack(section, ']') || !ReadsBack(key, '=') || key.starts_with('[') ||
      key.starts_with(';'))
    return false;
  const std::vector<Line> lines = SplitLines(contents);
  const std::string line_end(DominantLineEnd(contents));
  const std::string key_line = std::string(key) + "=" + std::string(value);
  const Place place = Find(lines, section, key);

  if (place.key != lines.size()) {
    // Indentation, the key as written and the blanks around '=' stay.
    const Line& line = lines[place.key];
    contents.replace(line.value_begin, line.end - line.value_begin, value);
    return true;
  }

  if (place.section != lines.size()) {
    // After the section's last key, so blank lines and comments that lead to
    // the next section stay in front of it.
    std::size_t after = place.section;
    for (std::size_t i = place.section + 1; i < place.section_end; ++i) {
      if (lines[i].kind == Kind::kKey) after = i;
    }
    const Line& line = lines[after];
    if (line.next == line.end) {
      contents.insert(line.end, line_end + key_line + line_end);
    } else {
      contents.insert(line.next, key_line + line_end);
    }
    return true;
  }

  const bool ends_open = contents.size() > (contents.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0) &&
                         contents.back() != '\n';
  if (ends_open) contents += line_end;
  contents += "[" + std::string(section) + "]" + line_end + key_line + line_end;
  return true;
}

}  // namespace platform::profile
