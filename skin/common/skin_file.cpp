#include "skin_file.h"

#include <string>

#include "skin_values.h"
#include "utf8.h"

namespace skin {

namespace {

struct ColourKey {
  const char* section;
  const char* key;
  std::optional<Rgb> Skin::*member;
};

constexpr ColourKey kColourKeys[] = {
    {"window", "background", &Skin::window_background},
    {"window", "text", &Skin::window_text},
    {"button", "face", &Skin::button_face},
    {"button", "text", &Skin::button_text},
    {"button", "border", &Skin::button_border},
    {"button", "hover", &Skin::button_hover},
    {"button", "hover_text", &Skin::button_hover_text},
    {"button", "pressed", &Skin::button_pressed},
    {"edit", "background", &Skin::edit_background},
    {"edit", "text", &Skin::edit_text},
    {"selection", "background", &Skin::selection_background},
    {"selection", "text", &Skin::selection_text},
    {"dialog", "background", &Skin::dialog_background},
    {"dialog", "text", &Skin::dialog_text},
};

constexpr std::size_t kMaxNameBytes = 32;

SkinResult Fail(SkinError error, int line) { return SkinResult{error, line, Skin{}}; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Section and key names: ASCII letters, digits, '_' and '-', compared in
// lower case.
bool ToName(std::string_view text, std::string* name) {
  if (text.empty() || text.size() > kMaxNameBytes) return false;
  name->clear();
  for (char c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-')) return false;
    name->push_back(c);
  }
  return true;
}

// UTF-8 throughout, and no control character but the tab and the line ends.
// A carriage return is taken only as the first half of a CR LF line end.
SkinError CheckText(std::string_view content, int* line) {
  *line = 1;
  std::size_t position = 0;
  while (position < content.size()) {
    const char c = content[position];
    if (c == '\n') {
      ++*line;
      ++position;
      continue;
    }
    if (c == '\r' && position + 1 < content.size() && content[position + 1] == '\n') {
      ++position;
      continue;
    }
    char32_t code_point = 0;
    if (!DecodeUtf8(content, &position, &code_point)) return SkinError::kNotText;
    if ((code_point < 0x20 && code_point != '\t') || code_point == 0x7F) return SkinError::kNotText;
    if (code_point >= 0x80 && code_point < 0xA0) return SkinError::kNotText;
  }
  return SkinError::kNone;
}

class Parser {
 public:
  SkinResult Run(std::string_view content) {
    int line_number = 0;
    while (!content.empty()) {
      ++line_number;
      const std::size_t end = content.find('\n');
      std::string_view line = content.substr(0, end);
      content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      if (line.size() > kMaxLineBytes) return Fail(SkinError::kLineTooLong, line_number);
      const SkinError error = Line(Trim(line));
      if (error != SkinError::kNone) return Fail(error, line_number);
    }
    if (!anything_set_) return Fail(SkinError::kNothingSet, 0);
    return SkinResult{SkinError::kNone, 0, skin_};
  }

 private:
  SkinError Line(std::string_view line) {
    if (line.empty() || line.front() == '#' || line.front() == ';') return SkinError::kNone;
    if (line.front() == '[') {
      if (line.back() != ']' || !ToName(Trim(line.substr(1, line.size() - 2)), &section_))
        return SkinError::kBadLine;
      in_section_ = true;
      return SkinError::kNone;
    }
    const std::size_t equals = line.find('=');
    std::string key;
    if (equals == std::string_view::npos || !ToName(Trim(line.substr(0, equals)), &key))
      return SkinError::kBadLine;
    if (!in_section_) return SkinError::kOutsideSection;
    return Setting(key, Trim(line.substr(equals + 1)));
  }

  SkinError Setting(const std::string& key, std::string_view value) {
    for (const ColourKey& known : kColourKeys) {
      if (section_ != known.section || key != known.key) continue;
      std::optional<Rgb>& slot = skin_.*known.member;
      if (slot) return SkinError::kDuplicateKey;
      Rgb colour;
      if (!ParseColour(value, &colour)) return SkinError::kBadValue;
      slot = colour;
      anything_set_ = true;
      return SkinError::kNone;
    }
    if (section_ == "font" && key == "face") {
      if (skin_.font_face) return SkinError::kDuplicateKey;
      if (!IsSafeFontFace(value)) return SkinError::kBadValue;
      skin_.font_face = std::string(value);
      anything_set_ = true;
    } else if (section_ == "font" && key == "size") {
      if (skin_.font_size) return SkinError::kDuplicateKey;
      int size = 0;
      if (!ParseFontSize(value, &size)) return SkinError::kBadValue;
      skin_.font_size = size;
      anything_set_ = true;
    }
    // Anything else is for another version of the format: passed over.
    return SkinError::kNone;
  }

  Skin skin_;
  std::string section_;
  bool in_section_ = false;
  bool anything_set_ = false;
};

}  // namespace

SkinResult ParseSkin(std::string_view content) {
  if (content.size() > kMaxFileBytes) return Fail(SkinError::kTooLarge, 0);
  if (content.empty()) return Fail(SkinError::kEmpty, 0);
  if (content.substr(0, 3) == "\xEF\xBB\xBF") content.remove_prefix(3);
  int line = 0;
  if (const SkinError error = CheckText(content, &line); error != SkinError::kNone)
    return Fail(error, line);
  return Parser().Run(content);
}

SkinResult ReadSkin(std::FILE* file) {
  if (!file) return Fail(SkinError::kUnreadable, 0);
  std::string content(kMaxFileBytes + 1, '\0');
  const std::size_t read = std::fread(content.data(), 1, content.size(), file);
  if (std::ferror(file)) return Fail(SkinError::kUnreadable, 0);
  content.resize(read);
  return ParseSkin(content);
}

const char* SkinErrorName(SkinError error) {
  switch (error) {
    case SkinError::kNone:
      return "none";
    case SkinError::kUnreadable:
      return "unreadable";
    case SkinError::kTooLarge:
      return "too large";
    case SkinError::kEmpty:
      return "empty";
    case SkinError::kNotText:
      return "not text";
    case SkinError::kLineTooLong:
      return "line too long";
    case SkinError::kBadLine:
      return "bad line";
    case SkinError::kOutsideSection:
      return "outside section";
    case SkinError::kBadValue:
      return "bad value";
    case SkinError::kDuplicateKey:
      return "duplicate key";
    case SkinError::kNothingSet:
      return "nothing set";
  }
  return "unknown";
}

}  // namespace skin
