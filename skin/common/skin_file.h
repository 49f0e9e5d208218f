// Reading "skin.she". The reader is strict: a file that is not entirely
// well-formed gives an error and no skin, so that a damaged file changes
// nothing rather than half of the look.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string_view>

#include "skin.h"

namespace skin {

inline constexpr std::size_t kMaxFileBytes = 64 * 1024;
inline constexpr std::size_t kMaxLineBytes = 256;  // without the line end

enum class SkinError {
  kNone,
  kUnreadable,      // no file, or a read failed
  kTooLarge,        // more than kMaxFileBytes
  kEmpty,           // no bytes at all
  kNotText,         // not UTF-8, or a control character other than a tab
  kLineTooLong,     // a line of more than kMaxLineBytes
  kBadLine,         // neither blank, comment, [section] nor key = value
  kOutsideSection,  // key = value before the first [section]
  kBadValue,        // a known key with a value it cannot take
  kDuplicateKey,    // a known key given twice
  kNothingSet,      // well-formed, but no known key in it
};

struct SkinResult {
  SkinError error = SkinError::kNone;
  int line = 0;  // the line at fault, counted from 1; 0 when it is the whole file
  Skin skin;     // all unset unless error is kNone

  bool ok() const { return error == SkinError::kNone; }
};

SkinResult ParseSkin(std::string_view content);

// Reads an open file (null counts as unreadable) from where it stands, no more
// than kMaxFileBytes and one byte to tell a larger file, and parses it.
SkinResult ReadSkin(std::FILE* file);

const char* SkinErrorName(SkinError error);

}  // namespace skin
