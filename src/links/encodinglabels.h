#pragma once

#include <string_view>

namespace links {

// Converter names as QStringDecoder takes them, for the encodings that need a path of their own;
// converterForLabel returns these very arrays, so a pointer comparison tells them.
inline constexpr char kUtf8[] = "UTF-8";
inline constexpr char kUtf16LE[] = "UTF-16LE";
inline constexpr char kUtf16BE[] = "UTF-16BE";
inline constexpr char kWindows1252[] = "windows-1252";
// The encodings that browsers refuse to decode (ISO-2022-KR, HZ…): a page in them is one
// replacement character.
inline constexpr char kReplacement[] = "replacement";

// The converter for a charset label as the WHATWG Encoding Standard maps labels (gb2312 is
// GBK, iso-8859-1, latin1 and ascii are windows-1252, …): a name QStringDecoder accepts, one of
// the constants above for the same encodings, or nullptr for a label nobody knows and for the
// encodings ICU lacks (ISO-8859-16, x-user-defined). Case and surrounding whitespace do not matter.
const char *converterForLabel(std::string_view label);

} // namespace links
