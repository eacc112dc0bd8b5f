/// \file
/// \ingroup core_utf8codec
/// \brief UTF-8 written and read, and UTF-16 surrogate pairs: the one coder of
/// the layer, the library, its benchmarks and fuzz targets, tools and hosts.
/// Header-only and inline, so that a caller's loop over characters stays in the
/// caller, with no call into the shared library per character, and the layer
/// exports nothing for it.
#ifndef MATRIX_PLATFORM_UTF8CODEC_H_
#define MATRIX_PLATFORM_UTF8CODEC_H_

/// \defgroup core_utf8codec utf8codec.h: UTF-8 and UTF-16 coder
/// \ingroup core
/// \brief UTF-8 written and read, and UTF-16 surrogate pairs: the one coder of
/// the layer, the library, its benchmarks and fuzz targets, tools and hosts.
/// Header-only and inline, so that a caller's loop over characters stays in the
/// caller, with no call into the shared library per character, and the layer
/// exports nothing for it.
/// @{

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace matrix::platform {

static_assert(sizeof(wchar_t) == 4,
              "a wide text is read as one code point per wchar_t");

/// What a value that cannot be written, or bytes that cannot be read, become
/// where the caller does not refuse them.
constexpr char32_t kReplacementCharacter = 0xFFFD;

/// True when `c` is a Unicode scalar value: at most U+10FFFF and no
/// surrogate (U+D800 to U+DFFF).
constexpr bool IsScalarValue(char32_t c) {
  return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

/// \name UTF-16 surrogate pairs
///
/// A wide text here holds one code point per wchar_t, but texts from Windows
/// (files, JSON escapes) spell the values above U+FFFF as two UTF-16 units.
/// @{

/// True for the first (U+D800 to U+DBFF) and the second (U+DC00 to U+DFFF)
/// unit of a pair.
constexpr bool IsHighSurrogate(char32_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}
/// \copydoc matrix::platform::IsHighSurrogate(char32_t)
constexpr bool IsLowSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

/// The value that the pair `high`, `low` spells (REQUIRES: IsHighSurrogate
/// and IsLowSurrogate).
constexpr char32_t JoinSurrogates(char32_t high, char32_t low) {
  return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

/// Writes `c` as UTF-16 units at `out` (room for two) and returns how many:
/// a value above U+FFFF as a pair, anything else as the one unit it fits
/// (a lone surrogate stays itself; above U+10FFFF keeps its low 16 bits).
constexpr int PutUtf16(char32_t c, std::uint16_t* out) {
  if (c >= 0x10000 && c <= 0x10FFFF) {
    out[0] = static_cast<std::uint16_t>(0xD800 + ((c - 0x10000) >> 10));
    out[1] = static_cast<std::uint16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    return 2;
  }
  out[0] = static_cast<std::uint16_t>(c);
  return 1;
}

/// UTF-16 code units as wide characters, code unit for code unit: a pair
/// becomes the one character it spells, every other unit (a lone surrogate
/// too) the character of its value, so that what is no text stays as it was.
inline std::wstring FromUtf16(std::u16string_view units) {
  std::wstring out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t u = units[i];
    if (IsHighSurrogate(u) && i + 1 < units.size() &&
        IsLowSurrogate(units[i + 1])) {
      u = JoinSurrogates(u, units[++i]);
    }
    out.push_back(static_cast<wchar_t>(u));
  }
  return out;
}

/// Writes `c` in UTF-8 at `out`, which has room for four bytes, and returns
/// the end of what was written. A value that is no scalar value is written
/// as U+FFFD; a caller that must refuse such values tests IsScalarValue.
inline char* PutUtf8(char32_t c, char* out) {
  if (!IsScalarValue(c)) c = kReplacementCharacter;
  if (c < 0x80) {
    *out++ = static_cast<char>(c);
  } else if (c < 0x800) {
    *out++ = static_cast<char>(0xC0 | (c >> 6));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (c >> 12));
    *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (c >> 18));
    *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

/// Appends `c` in UTF-8 to `out`, as PutUtf8 writes it.
inline void AppendUtf8(char32_t c, std::string& out) {
  char bytes[4];
  out.append(bytes, PutUtf8(c, bytes));
}

/// The wide text `text` in UTF-8, as PutUtf8 writes each character.
inline std::string ToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (const wchar_t w : text) AppendUtf8(static_cast<char32_t>(w), out);
  return out;
}

/// The length of the sequence that the byte `lead` starts, by its bit
/// pattern alone: 1 below 0x80, 2 for 110xxxxx, 3 for 1110xxxx, 4 for
/// 11110xxx, and 0 for a continuation byte or 0xF8 to 0xFF.
constexpr int Utf8SequenceLength(unsigned char lead) {
  return lead < 0x80           ? 1
         : (lead >> 5) == 0x6  ? 2
         : (lead >> 4) == 0xE  ? 3
         : (lead >> 3) == 0x1E ? 4
                               : 0;
}

/// The value that the bit pattern of the `length` bytes at `p` spells
/// (`length` from Utf8SequenceLength, at least 1), with no check of the
/// continuation bytes or of the value.
constexpr char32_t Utf8SequenceValue(const unsigned char* p, int length) {
  char32_t value = length == 1 ? p[0] : p[0] & (0x7F >> length);
  for (int k = 1; k < length; ++k) value = (value << 6) | (p[k] & 0x3F);
  return value;
}

/// Reads the UTF-8 sequence at `p` (before `end`): sets `c` and returns the
/// sequence's length, 1 to 4. When the bytes there are no well-formed
/// sequence, returns -1 - k, k the offset of the byte that shows it: 0 when
/// the first byte starts no sequence (a continuation byte, 0xC0, 0xC1, 0xF5
/// to 0xFF), fewer bytes are left than it announces, or the value is an
/// overlong form, a surrogate or above U+10FFFF; else the offset of the
/// first following byte that is no continuation byte. `c` is then unchanged.
inline int ReadUtf8(const unsigned char* p, const unsigned char* end,
                    char32_t& c) {
  const unsigned char lead = *p;
  if (lead < 0x80) {
    c = lead;
    return 1;
  }
  const int length = Utf8SequenceLength(lead);
  if (length == 0 || lead < 0xC2 || lead > 0xF4 || end - p < length) {
    return -1;
  }
  for (int k = 1; k < length; ++k) {
    if ((p[k] & 0xC0) != 0x80) return -1 - k;
  }
  const char32_t value = Utf8SequenceValue(p, length);
  const char32_t shortest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
  if (value < shortest || !IsScalarValue(value)) return -1;
  c = value;
  return length;
}

/// Writes the UTF-8 bytes `bytes` in wide characters to `out`. A byte that
/// starts no well-formed sequence (see ReadUtf8) becomes U+FFFD, and reading
/// goes on at the byte after it, so that nothing after a fault is lost.
inline void ToWide(std::string_view bytes, std::wstring& out) {
  out.resize(bytes.size());
  wchar_t* o = out.data();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const unsigned char* const end = p + bytes.size();
  while (p < end) {
    if (*p < 0x80) {
      *o++ = static_cast<wchar_t>(*p++);
      continue;
    }
    char32_t value;
    const int length = ReadUtf8(p, end, value);
    if (length < 0) {
      *o++ = static_cast<wchar_t>(kReplacementCharacter);
      ++p;
      continue;
    }
    *o++ = static_cast<wchar_t>(value);
    p += length;
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
}

/// The UTF-8 bytes `bytes` in wide characters, as the form above writes them.
inline std::wstring ToWide(std::string_view bytes) {
  std::wstring out;
  ToWide(bytes, out);
  return out;
}
/// @}

/// \name The strict pair
///
/// For callers that must refuse what has no form on the other side (names of
/// files and registry keys) rather than replace it.
/// @{

/// Writes the UTF-8 bytes `bytes` in wide characters to `out` and returns
/// true; false when they are not well-formed UTF-8 (see ReadUtf8: overlong
/// forms, surrogates and values above U+10FFFF included), with the offset
/// of the first byte of the faulty sequence in `*bad` (may be null) and
/// `out` holding what came before it.
inline bool TryToWide(std::string_view bytes, std::wstring& out,
                      std::size_t* bad = nullptr) {
  out.clear();
  out.reserve(bytes.size());
  const auto* const begin =
      reinterpret_cast<const unsigned char*>(bytes.data());
  const unsigned char* const end = begin + bytes.size();
  for (const unsigned char* p = begin; p < end;) {
    char32_t value;
    const int length = ReadUtf8(p, end, value);
    if (length < 0) {
      if (bad) *bad = static_cast<std::size_t>(p - begin);
      return false;
    }
    out += static_cast<wchar_t>(value);
    p += length;
  }
  return true;
}

/// Writes the wide text `text` in UTF-8 to `out` and returns true; false
/// when a character is no Unicode scalar value (a surrogate, or above
/// U+10FFFF), with its index in `*bad` (may be null) and `out` holding what
/// came before it.
inline bool TryToUtf8(std::wstring_view text, std::string& out,
                      std::size_t* bad = nullptr) {
  out.clear();
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<char32_t>(text[i]);
    if (!IsScalarValue(c)) {
      if (bad) *bad = i;
      return false;
    }
    AppendUtf8(c, out);
  }
  return true;
}
/// @}

}  // namespace matrix::platform

/// @}

#endif  // MATRIX_PLATFORM_UTF8CODEC_H_
