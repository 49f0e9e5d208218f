// The settings file's reader and writer. The input is the section, the key and
// the value to write, then the file's contents, separated by zero bytes (names
// given to the profile functions are zero-terminated, so they hold none).
//
// After WriteValue the value reads back (as the reader gives any value: trimmed,
// unquoted, cut to the buffer), and every other entry reads as it did before.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "platform/common/profile_file.h"

namespace {

namespace profile = platform::profile;
using std::string;
using std::string_view;

constexpr std::size_t kMostCandidates = 12;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

bool IsLeadByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 0x81 && byte <= 0xFE;
}

string_view Trim(string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Where c stands as a character of its own in code page 936 text, or npos.
std::size_t CharacterAt(string_view text, char c) {
  for (std::size_t at = 0; at < text.size(); at += IsLeadByte(text[at]) ? 2 : 1) {
    if (text[at] == c) return at;
  }
  return string_view::npos;
}

// True when the last byte of text starts a double-byte character, which then
// takes whatever is written after it as its second byte.
bool EndsInLeadByte(string_view text) {
  std::size_t at = 0;
  while (at < text.size()) at += IsLeadByte(text[at]) ? 2 : 1;
  return at > text.size();
}

// Names are equal when their ASCII letters match in either case and their
// double-byte characters match exactly.
bool SameName(string_view a, string_view b) {
  if (a.size() != b.size()) return false;
  auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  for (std::size_t at = 0; at < a.size(); ++at) {
    if (IsLeadByte(a[at]) && at + 1 < a.size()) {
      if (a.substr(at, 2) != b.substr(at, 2)) return false;
      ++at;
    } else if (fold(a[at]) != fold(b[at])) {
      return false;
    }
  }
  return true;
}

// "[section]" names that section.
bool SectionHoldable(string_view section) {
  section = Trim(section);
  return CharacterAt(section, ']') == string_view::npos && !EndsInLeadByte(section);
}

// "key=value" names that key, and is no section header and no comment.
bool KeyHoldable(string_view key) {
  key = Trim(key);
  return CharacterAt(key, '=') == string_view::npos && !EndsInLeadByte(key) &&
         !key.starts_with('[') && !key.starts_with(';');
}

// What the reader makes of a value written on a key's line: blanks trimmed,
// matching quotes taken off, cut to what a read gives.
string AsRead(string_view value) {
  value = Trim(value);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return string(value.substr(0, profile::kValueLimit));
}

void AddCandidate(std::vector<string>& names, string_view name) {
  name = Trim(name);
  if (names.size() >= kMostCandidates) return;
  for (const string& known : names) {
    if (SameName(known, name)) return;
  }
  names.emplace_back(name);
}

// The section and key names a file mentions, to ask the reader about.
void CollectNames(string_view contents, std::vector<string>& sections, std::vector<string>& keys) {
  while (!contents.empty()) {
    const std::size_t newline = contents.find('\n');
    const string_view line = Trim(contents.substr(0, newline));
    contents.remove_prefix(newline == string_view::npos ? contents.size() : newline + 1);
    if (line.starts_with('[')) {
      const string_view inside = line.substr(1);
      AddCandidate(sections, inside.substr(0, CharacterAt(inside, ']')));
    } else if (const std::size_t equals = CharacterAt(line, '='); equals != string_view::npos) {
      AddCandidate(keys, line.substr(0, equals));
    }
  }
}

// Splits at the first three zero bytes: section, key, value, contents.
std::array<string, 4> Fields(string_view input) {
  std::array<string, 4> fields;
  for (std::size_t i = 0; i < 3; ++i) {
    const std::size_t zero = input.find('\0');
    fields[i] = input.substr(0, zero);
    input.remove_prefix(zero == string_view::npos ? input.size() : zero + 1);
  }
  fields[3] = input;
  return fields;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto [section, key, value, before] =
      Fields(string_view(reinterpret_cast<const char*>(data), size));

  std::vector<string> sections, keys;
  CollectNames(before, sections, keys);

  string after = before;
  const bool line_break = (section + key + value).find_first_of("\r\n") != string::npos;
  if (!profile::WriteValue(after, section, key, value)) {
    FUZZ_CHECK(after == before, "a refused write leaves the contents as they were");
    FUZZ_CHECK(line_break || !SectionHoldable(section) || !KeyHoldable(key),
               "a write is refused only for a line break or a name a file cannot hold");
    return 0;
  }
  FUZZ_CHECK(!line_break, "a line break is never written");

  CollectNames(after, sections, keys);
  AddCandidate(sections, section);
  AddCandidate(keys, key);
  for (const string& s : sections) {
    for (const string& k : keys) {
      const string read = profile::ReadValue(after, s, k);
      FUZZ_CHECK(read.size() <= profile::kValueLimit, "a read fits the reader's buffer");
      if (SameName(s, Trim(section)) && SameName(k, Trim(key))) continue;
      FUZZ_CHECK(read == profile::ReadValue(before, s, k),
                 "every other entry reads as it did before the write");
    }
  }

  if (SectionHoldable(section) && KeyHoldable(key)) {
    FUZZ_CHECK(profile::ReadValue(after, section, key) == AsRead(value),
               "the value written reads back, as the reader gives any value");
    // Blanks in front would add to those the line keeps in front of its value.
    if (Trim(value) == value) {
      string again = after;
      FUZZ_CHECK(profile::WriteValue(again, section, key, value) && again == after,
                 "writing the same value again changes nothing");
    }
  }
  return 0;
}
