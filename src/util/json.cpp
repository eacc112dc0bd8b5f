// The JSON walker: parses a wide text with cpprestsdk and reports strings
// and numbers to the host, level by level, under the fixed rules of each
// depth.
#include <matrix/util.h>
#include <utf8codec.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <stdexcept>
#include <string>

#include "common/constants.h"
#include "util/json_walk.h"

// Last: cpprestsdk defines macros (U among them) that other headers trip on.
#include <cpprest/json.h>

namespace matrix::detail {
namespace {

using matrix::platform::IsHighSurrogate;
using matrix::platform::IsLowSurrogate;

static_assert(sizeof(wchar_t) == 4,
              "the text is read as one UTF-32 code point per wchar_t");

// A number counts as integral when its 32-bit truncation is this close to
// it: the machine epsilon of double, so that 3.0 and 1e-20 are integers
// and 2.5 or 3 + 2^-51 are not.
constexpr double kIntegralTolerance = kEpsilon;  // 2^-52

// Doubles strictly between these truncate to a 32-bit signed integer;
// converting any other double to int would be undefined.
constexpr double kInt32Floor = -2147483649.0;
constexpr double kInt32Ceiling = 2147483648.0;

// The deepest level that is reported; what would need a deeper level
// abandons the walk.
constexpr int kDeepest = 8;

// Type codes handed to the host (the OLE Automation VARTYPE numbers).
constexpr unsigned short kTypeString = 8;      // VT_BSTR
constexpr unsigned short kTypeInteger = 22;    // VT_INT
constexpr unsigned short kTypeNonInteger = 5;  // VT_R8

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// The value of the four hex digits at `p`, or -1 when they are not four
// hex digits (the zero terminator stops the reading).
long Hex4(const wchar_t* p) {
  long value = 0;
  for (int k = 0; k < 4; ++k) {
    const int digit = HexDigit(p[k]);
    if (digit < 0) return -1;
    value = value * 16 + digit;
  }
  return value;
}

}  // namespace

// The text in UTF-8 for the parser. False when it holds a value that is no
// Unicode character: a surrogate or anything above U+10FFFF as a wchar_t,
// or a \u escape of a surrogate that is not a high one followed at once by
// an escaped low one. The parser would otherwise let a lone low surrogate
// through as bytes that are not UTF-8, and throw std::range_error (not its
// own exception) for some lone high ones. A backslash outside a string is
// a syntax error anyway, so escapes are recognised without tracking
// strings.
//
// One pass: the storage starts at one byte per character and grows only
// where a character takes more; runs of plain ASCII (no backslash) are
// copied eight characters at a time.
bool JsonTextToUtf8(const wchar_t* text, std::string& out) {
  const std::size_t length = std::wcslen(text);
  out.resize(length);
  char* o = out.data();
  char* limit = o + length;  // o + (characters left) <= limit holds throughout
  const wchar_t* p = text;
  const wchar_t* const end = text + length;
  constexpr std::size_t kRun = 8;
  while (p < end) {
    if (end - p >= static_cast<std::ptrdiff_t>(kRun)) {
      bool plain = true;
      for (std::size_t k = 0; k < kRun; ++k) {
        const auto c = static_cast<std::uint32_t>(p[k]);
        plain &= c < 0x80 && c != L'\\';
      }
      if (plain) {
        for (std::size_t k = 0; k < kRun; ++k) o[k] = static_cast<char>(p[k]);
        o += kRun;
        p += kRun;
        continue;
      }
    }
    const auto c = static_cast<std::uint32_t>(*p);
    if (c >= 0x80) {
      if (!matrix::platform::IsScalarValue(c)) return false;
      // Up to three bytes more than the one counted for this character.
      if (limit - o < (end - p) + 3) {
        const std::size_t used = static_cast<std::size_t>(o - out.data());
        const std::size_t size = out.size() + out.size() / 2 + 4;
        out.resize(size);
        o = out.data() + used;
        limit = out.data() + size;
      }
      o = matrix::platform::PutUtf8(c, o);
      ++p;
      continue;
    }
    *o++ = static_cast<char>(c);
    if (c != L'\\') {
      ++p;
      continue;
    }
    if (p[1] == L'\\') {
      // An escaped backslash does not start an escape.
      *o++ = '\\';
      p += 2;
      continue;
    }
    // The character after any other backslash but u is taken as it
    // stands; the next round checks it like any other character.
    if (p[1] != L'u') {
      ++p;
      continue;
    }
    const long unit = Hex4(p + 2);
    if (unit < 0) {  // malformed: the parser refuses it
      ++p;
      continue;
    }
    const auto code = static_cast<std::uint32_t>(unit);
    if (IsLowSurrogate(code)) return false;
    int escape = 6;  // \uXXXX
    if (IsHighSurrogate(code)) {
      const long low = p[6] == L'\\' && p[7] == L'u' ? Hex4(p + 8) : -1;
      if (low < 0 || !IsLowSurrogate(static_cast<std::uint32_t>(low))) {
        return false;
      }
      escape = 12;  // \uXXXX\uXXXX
    }
    // The rest of the escape is ASCII, checked above.
    for (int k = 1; k < escape; ++k) *o++ = static_cast<char>(p[k]);
    p += escape;
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return true;
}

// A UTF-8 text of the parsed document in wide characters. The parser hands
// out only what it was given or built from checked escapes, so malformed
// bytes do not occur; should one, it becomes U+FFFD rather than garbage.
// No text has more characters than bytes, so the result is written into
// storage of the byte count and cut to size at the end.
void JsonTextToWide(const std::string& text, std::wstring& out) {
  matrix::platform::ToWide(text, out);
}

namespace {

// The number test: i is the number with its fraction dropped, which exists
// only when it fits 32 bits (the range is checked before converting), and
// the number is integral when i is within kIntegralTolerance of it.
struct Number {
  bool integral;
  std::int32_t i;
  double d;
};

Number TestNumber(const web::json::value& v) {
  const double d = v.as_double();
  if (!(d > kInt32Floor && d < kInt32Ceiling)) return {false, 0, d};
  const auto i = static_cast<std::int32_t>(d);
  return {std::fabs(static_cast<double>(i) - d) < kIntegralTolerance, i, d};
}

// One key on the path from the root: a member's name (UTF-8, converted to
// wide characters when first needed) or an array index (no name).
struct Key {
  const std::string* name = nullptr;
  bool converted = false;
  std::wstring wide;
};

using Kind = web::json::value::value_type;

class Walker {
 public:
  Walker(JsonValueCallback callback, DWORD context, bool passParentAtDepth3)
      : callback_(callback),
        context_(context),
        passParentAtDepth3_(passParentAtDepth3) {}

  // Walks the children of the root; false when the walk was abandoned.
  bool Run(web::json::value& root) {
    return EachChild(root, root.type(), 0, [this](web::json::value& v) {
      member_.clear();
      return Depth1(v);
    });
  }

 private:
  // S(Kn): the name at depth n, or null for an array element.
  const std::wstring* S(int n) {
    Key& key = keys_[n];
    if (key.name == nullptr) return nullptr;
    if (!key.converted) {
      JsonTextToWide(*key.name, key.wide);
      key.converted = true;
    }
    return &key.wide;
  }
  bool IsName(int n) const { return keys_[n].name != nullptr; }

  // A string or a number: what the reports take.
  static bool IsScalar(Kind kind) {
    return kind == web::json::value::String || kind == web::json::value::Number;
  }

  // Calls `handle` for each child of `v` (none for a scalar), after
  // recording its key as the key at depth n + 1. Stops and returns false as
  // soon as `handle` does.
  //
  // Each child is released as soon as it has been handled: the walk is the
  // document's last reader, and freeing a subtree while the walk has just
  // brought it into the cache costs far less than a second pass over the
  // whole tree when the root goes.
  template <typename Handle>
  bool EachChild(web::json::value& v, Kind kind, int n, Handle handle) {
    Key& key = keys_[n + 1];
    if (kind == web::json::value::Object) {
      for (auto& member : v.as_object()) {
        key.name = &member.first;
        key.converted = false;
        if (!handle(member.second)) return false;
        Release(member.second);
      }
    } else if (kind == web::json::value::Array) {
      for (auto& element : v.as_array()) {
        key.name = nullptr;
        key.converted = false;
        if (!handle(element)) return false;
        Release(element);
      }
    }
    return true;
  }

  // Frees v's subtree now; v is left empty (moved from), and is only
  // destroyed afterwards.
  static void Release(web::json::value& v) {
    const web::json::value released(std::move(v));
  }

  void ReportString(const wchar_t* name, const web::json::value& v,
                    const wchar_t* parent) {
    JsonTextToWide(v.as_string(), text_);
    callback_(name, text_.c_str(), 0, 0.0, context_, kTypeString, parent);
  }

  // The number report; `withDouble` gives integral numbers their double
  // too (depths 5 to 8).
  void ReportNumber(const wchar_t* name, const web::json::value& v,
                    const wchar_t* parent, bool withDouble) {
    const Number number = TestNumber(v);
    if (number.integral) {
      callback_(name, nullptr, static_cast<DWORD>(number.i),
                withDouble ? number.d : 0.0, context_, kTypeInteger, parent);
    } else {
      callback_(name, nullptr, 0, number.d, context_, kTypeNonInteger, parent);
    }
  }

  // Depth 1: the member name becomes K1 first, whatever follows; a string
  // needs K1 to be a name, a number needs nothing; parent null.
  bool Depth1(web::json::value& v) {
    const Kind kind = v.type();
    if (IsName(1)) member_ = *S(1);
    if (IsName(1) && kind == web::json::value::String) {
      ReportString(member_.c_str(), v, nullptr);
      return true;
    }
    if (kind == web::json::value::Number) {
      ReportNumber(member_.c_str(), v, nullptr, false);
      return true;
    }
    return EachChild(v, kind, 1,
                     [this](web::json::value& c) { return Depth2(c); });
  }

  // Depth 2: the member name becomes K2 first when K2 is a name; both
  // reports need K1 (the parent), the string report K2 as well.
  bool Depth2(web::json::value& v) {
    const Kind kind = v.type();
    if (IsName(2)) member_ = *S(2);
    if (IsName(1) && IsName(2) && kind == web::json::value::String) {
      ReportString(member_.c_str(), v, S(1)->c_str());
      return true;
    }
    if (IsName(1) && kind == web::json::value::Number) {
      ReportNumber(member_.c_str(), v, S(1)->c_str(), false);
      return true;
    }
    return EachChild(v, kind, 2,
                     [this](web::json::value& c) { return Depth3(c); });
  }

  // Depth 3: name K3; the parent is the member name when the host asked
  // for it and it is not empty.
  bool Depth3(web::json::value& v) {
    const Kind kind = v.type();
    if (IsName(3) && IsScalar(kind)) {
      const wchar_t* parent =
          passParentAtDepth3_ && !member_.empty() ? member_.c_str() : nullptr;
      if (kind == web::json::value::String) {
        ReportString(S(3)->c_str(), v, parent);
      } else {
        ReportNumber(S(3)->c_str(), v, parent, false);
      }
      return true;
    }
    return EachChild(v, kind, 3,
                     [this](web::json::value& c) { return Depth4(c); });
  }

  // Depth 4: name K4, parent K3, both must be names. Descending fixes P5.
  bool Depth4(web::json::value& v) {
    const Kind kind = v.type();
    if (IsName(4) && IsName(3) && IsScalar(kind)) {
      if (kind == web::json::value::String) {
        ReportString(S(4)->c_str(), v, S(3)->c_str());
      } else {
        ReportNumber(S(4)->c_str(), v, S(3)->c_str(), false);
      }
      return true;
    }
    return Descend(v, kind, 4);
  }

  // Depths 5 to 8: name Kn, parent Pn; integral numbers carry their double.
  bool Deep(web::json::value& v, int n) {
    const Kind kind = v.type();
    if (IsName(n) && IsScalar(kind)) {
      const wchar_t* parent = S(parent_[n])->c_str();
      if (kind == web::json::value::String) {
        ReportString(S(n)->c_str(), v, parent);
      } else {
        ReportNumber(S(n)->c_str(), v, parent, true);
      }
      return true;
    }
    if (n == kDeepest) return false;  // nothing deeper is walked
    return Descend(v, kind, n);
  }

  // Depths 4 to 7: P(n+1) is the first name among Kn, K(n-1), K(n-2),
  // fixed before the children are looked at (also when there are none);
  // without one the walk is abandoned.
  bool Descend(web::json::value& v, Kind kind, int n) {
    int from = n;
    while (from > n - 3 && !IsName(from)) --from;
    if (from == n - 3) return false;
    parent_[n + 1] = from;
    return EachChild(v, kind, n,
                     [this, n](web::json::value& c) { return Deep(c, n + 1); });
  }

  JsonValueCallback callback_;
  DWORD context_;
  bool passParentAtDepth3_;
  Key keys_[kDeepest + 1];         // keys_[n] is Kn; keys_[0] unused
  int parent_[kDeepest + 1] = {};  // parent_[n]: the depth whose key is Pn
  std::wstring member_;            // the member name
  std::wstring text_;              // the text of the reported string
};

}  // namespace

bool JsonWalk(web::json::value& root, JsonValueCallback callback, DWORD context,
              bool passParentAtDepth3) {
  Walker walker(callback, context, passParentAtDepth3);
  return walker.Run(root);
}

}  // namespace matrix::detail

int JsonParse(const wchar_t* text, JsonValueCallback callback, DWORD context,
              bool passParentAtDepth3) {
  if (text == nullptr || callback == nullptr) return 0;
  web::json::value root;
  {
    std::string utf8;
    if (!matrix::detail::JsonTextToUtf8(text, utf8)) return 0;
    try {
      root = web::json::value::parse(utf8);
    } catch (const web::json::json_exception&) {
      return 0;  // not JSON, or nested deeper than the parser allows
    } catch (const std::range_error&) {
      return 0;  // the parser's own complaint about surrogate escapes
    }
  }
  return matrix::detail::JsonWalk(root, callback, context, passParentAtDepth3)
             ? 1
             : 0;
}
