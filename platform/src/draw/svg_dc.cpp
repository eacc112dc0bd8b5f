// Platform layer - CSvgDC, a drawing surface that writes an SVG document.
#include <afxwin.h>
#include <utf8codec.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

// Text is measured by an estimate: an average glyph of a sans-serif face is
// about 0.6 of the font height wide. Only the view box depends on it.
constexpr double kGlyphWidth = 0.6;

void AppendInt(std::string& out, long long value) {
  char digits[24];
  auto r = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, r.ptr);
}

// Appends each number after the markup that leads up to it, as the
// attributes of one element are written: {"<rect x=\"", x}, {"\" y=\"", y}.
struct MarkupInt {
  const char* markup;
  long long value;
};
void AppendInts(std::string& out, std::initializer_list<MarkupInt> parts) {
  for (const MarkupInt& part : parts) {
    out += part.markup;
    AppendInt(out, part.value);
  }
}

void AppendColor(std::string& out, COLORREF color) {
  static const char kHex[] = "0123456789abcdef";
  const BYTE parts[3] = {GetRValue(color), GetGValue(color), GetBValue(color)};
  out += '#';
  for (BYTE part : parts) {
    out += kHex[part >> 4];
    out += kHex[part & 15];
  }
}

// One character as UTF-8, or U+FFFD where XML 1.0 cannot hold it.
void AppendXmlChar(std::string& out, std::uint32_t c) {
  const bool allowed =
      c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
      (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
  if (!allowed) c = 0xFFFD;
  switch (c) {
    case '&':
      out += "&amp;";
      return;
    case '<':
      out += "&lt;";
      return;
    case '>':
      out += "&gt;";
      return;
    case '"':
      out += "&quot;";
      return;
    case '\'':
      out += "&apos;";
      return;
    default:
      break;
  }
  matrix::platform::AppendUtf8(static_cast<char32_t>(c), out);
}

// A wide text as escaped UTF-8. wchar_t is 32 bits here, but a text may
// still carry UTF-16 pairs (read from a file written on Windows, say): a
// well-formed pair is joined, a lone half replaced.
std::string XmlText(const wchar_t* text, std::size_t length) {
  std::string out;
  out.reserve(length);
  for (std::size_t i = 0; i < length; ++i) {
    char32_t c = static_cast<char32_t>(text[i]);
    if (matrix::platform::IsHighSurrogate(c) && i + 1 < length &&
        matrix::platform::IsLowSurrogate(static_cast<char32_t>(text[i + 1]))) {
      c = matrix::platform::JoinSurrogates(c, static_cast<char32_t>(text[++i]));
    }
    AppendXmlChar(out, static_cast<std::uint32_t>(c));
  }
  return out;
}

const char* DashArray(UINT style) {
  switch (style) {
    case PS_DASH:
      return "18 6";
    case PS_DOT:
      return "3 3";
    case PS_DASHDOT:
      return "9 6 3 6";
    case PS_DASHDOTDOT:
      return "9 3 3 3 3 3";
    default:
      return nullptr;
  }
}

struct Element {
  enum Kind { kPath, kText, kGroupStart, kGroupEnd } kind = kPath;
  // Path: the pen and the path data; text: the colour, alignment and
  // height, the escaped text and its reference point; group start: the
  // escaped id in `data`.
  UINT style = PS_SOLID;
  int width = 0;
  COLORREF color = 0;
  std::string data;
  CPoint last;  // the path's last point
  UINT align = 0;
  int height = 0;
  CPoint at;
};

void AppendPath(std::string& out, const Element& e) {
  out += "<path fill=\"none\" stroke=\"";
  AppendColor(out, e.color);
  out += "\" stroke-width=\"";
  AppendInt(out, e.width);
  out += "\" stroke-linecap=\"round\" stroke-linejoin=\"round\"";
  if (const char* dash = DashArray(e.style)) {
    out += " stroke-dasharray=\"";
    out += dash;
    out += '"';
  }
  out += " d=\"";
  out += e.data;
  out += "\"/>\n";
}

void AppendText(std::string& out, const Element& e) {
  long long ty = e.at.y;
  if ((e.align & TA_BASELINE) == TA_BASELINE) {
    // SVG's reference point is the base line already.
  } else if ((e.align & TA_BOTTOM) == TA_BOTTOM) {
    ty -= e.height / 5;
  } else {
    ty += e.height * 4 / 5;
  }
  AppendInts(out, {{"<text x=\"", e.at.x},
                   {"\" y=\"", ty},
                   {"\" font-family=\"sans-serif\" font-size=\"", e.height}});
  out += "\" fill=\"";
  AppendColor(out, e.color);
  out += '"';
  if ((e.align & TA_CENTER) == TA_CENTER) {
    out += " text-anchor=\"middle\"";
  } else if ((e.align & TA_RIGHT) == TA_RIGHT) {
    out += " text-anchor=\"end\"";
  }
  out += '>';
  out += e.data;
  out += "</text>\n";
}

}  // namespace

struct CSvgDC::Impl {
  std::string title;
  int font_height = 12;
  int margin = 10;
  std::vector<Element> elements;
  std::size_t drawn = 0;  // paths and texts among `elements`
  std::size_t open_groups = 0;
  bool any = false;
  long long min_x = 0, min_y = 0, max_x = 0, max_y = 0;

  void Cover(long long x, long long y) {
    if (!any) {
      min_x = max_x = x;
      min_y = max_y = y;
      any = true;
      return;
    }
    min_x = std::min(min_x, x);
    max_x = std::max(max_x, x);
    min_y = std::min(min_y, y);
    max_y = std::max(max_y, y);
  }
};

IMPLEMENT_DYNAMIC(CSvgDC, CDC)

CSvgDC::CSvgDC() : m_impl(new Impl) {}

CSvgDC::~CSvgDC() = default;

void CSvgDC::SetTitle(const CString& title) {
  m_impl->title =
      XmlText(title.GetString(), static_cast<std::size_t>(title.GetLength()));
}

void CSvgDC::SetFontHeight(int height) {
  m_impl->font_height = std::max(1, height);
}

void CSvgDC::SetMargin(int margin) { m_impl->margin = std::max(0, margin); }

CRect CSvgDC::GetExtent() const {
  if (!m_impl->any) return CRect();
  auto clamp = [](long long v) {
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
  };
  return CRect(clamp(m_impl->min_x), clamp(m_impl->min_y),
               clamp(m_impl->max_x + 1), clamp(m_impl->max_y + 1));
}

std::size_t CSvgDC::GetElementCount() const { return m_impl->drawn; }

void CSvgDC::BeginGroup(const CString& id) {
  Element e;
  e.kind = Element::kGroupStart;
  e.data = XmlText(id.GetString(), static_cast<std::size_t>(id.GetLength()));
  m_impl->elements.push_back(std::move(e));
  ++m_impl->open_groups;
}

void CSvgDC::EndGroup() {
  if (m_impl->open_groups == 0) return;
  Element e;
  e.kind = Element::kGroupEnd;
  m_impl->elements.push_back(std::move(e));
  --m_impl->open_groups;
}

void CSvgDC::OnMoveTo(CPoint, CPoint) {}

BOOL CSvgDC::OnLineTo(CPoint from, CPoint to) {
  const LOGPEN& pen = CurrentLogPen();
  // A null pen draws nothing, and a line from a point to itself has no
  // length (the end point is excluded, as with the framework's pen).
  if (pen.lopnStyle == PS_NULL || from == to) return TRUE;
  const int width = std::max<int>(1, pen.lopnWidth.x);
  auto& elements = m_impl->elements;
  const bool same_pen =
      !elements.empty() && elements.back().kind == Element::kPath &&
      elements.back().style == pen.lopnStyle &&
      elements.back().width == width && elements.back().color == pen.lopnColor;
  if (!same_pen) {
    Element e;
    e.style = pen.lopnStyle;
    e.width = width;
    e.color = pen.lopnColor;
    elements.push_back(std::move(e));
    ++m_impl->drawn;
  }
  Element& path = elements.back();
  std::string& d = path.data;
  if (d.empty() || path.last != from) {
    // A new sub-path: move to the line's start, then a line command whose
    // further coordinate pairs continue the line.
    if (!d.empty()) d += ' ';
    d += 'M';
    AppendInt(d, from.x);
    d += ' ';
    AppendInt(d, from.y);
    d += 'L';
  } else {
    d += ' ';
  }
  AppendInt(d, to.x);
  d += ' ';
  AppendInt(d, to.y);
  path.last = to;
  // A stroke reaches half its width beyond the centre line.
  const long long half = (width + 1) / 2;
  m_impl->Cover(static_cast<long long>(from.x) - half,
                static_cast<long long>(from.y) - half);
  m_impl->Cover(static_cast<long long>(from.x) + half,
                static_cast<long long>(from.y) + half);
  m_impl->Cover(static_cast<long long>(to.x) - half,
                static_cast<long long>(to.y) - half);
  m_impl->Cover(static_cast<long long>(to.x) + half,
                static_cast<long long>(to.y) + half);
  return TRUE;
}

BOOL CSvgDC::OnTextOut(CPoint at, const CString& text) {
  if (text.IsEmpty()) return TRUE;
  Element e;
  e.kind = Element::kText;
  e.color = GetTextColor();
  e.align = GetTextAlign();
  e.height = m_impl->font_height;
  e.at = at;
  e.data =
      XmlText(text.GetString(), static_cast<std::size_t>(text.GetLength()));
  // The estimated box of the text around its reference point.
  const long long w = static_cast<long long>(
      kGlyphWidth * m_impl->font_height * text.GetLength() + 0.5);
  const long long h = m_impl->font_height;
  long long left = at.x;
  if ((e.align & TA_CENTER) == TA_CENTER) {
    left -= w / 2;
  } else if ((e.align & TA_RIGHT) == TA_RIGHT) {
    left -= w;
  }
  long long top = at.y;
  if ((e.align & TA_BASELINE) == TA_BASELINE) {
    top -= h * 4 / 5;
  } else if ((e.align & TA_BOTTOM) == TA_BOTTOM) {
    top -= h;
  }
  m_impl->Cover(left, top);
  m_impl->Cover(left + w, top + h);
  m_impl->elements.push_back(std::move(e));
  ++m_impl->drawn;
  return TRUE;
}

std::string CSvgDC::GetSvg() const {
  const Impl& im = *m_impl;
  long long x = 0, y = 0, w = 1, h = 1;
  if (im.any) {
    x = im.min_x - im.margin;
    y = im.min_y - im.margin;
    w = im.max_x - im.min_x + 1 + 2LL * im.margin;
    h = im.max_y - im.min_y + 1 + 2LL * im.margin;
  }
  std::size_t size = 512 + im.title.size();
  for (const Element& e : im.elements) size += e.data.size() + 160;
  std::string out;
  out.reserve(size);
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\"";
  AppendInts(out, {{" viewBox=\"", x},
                   {" ", y},
                   {" ", w},
                   {" ", h},
                   {"\" width=\"", w},
                   {"\" height=\"", h}});
  out += "\">\n";
  if (!im.title.empty()) {
    out += "<title>";
    out += im.title;
    out += "</title>\n";
  }
  AppendInts(out, {{"<rect x=\"", x},
                   {"\" y=\"", y},
                   {"\" width=\"", w},
                   {"\" height=\"", h}});
  out += "\" fill=\"#ffffff\"/>\n";
  for (const Element& e : im.elements) {
    switch (e.kind) {
      case Element::kPath:
        AppendPath(out, e);
        break;
      case Element::kText:
        AppendText(out, e);
        break;
      case Element::kGroupStart:
        out += "<g id=\"";
        out += e.data;
        out += "\">\n";
        break;
      case Element::kGroupEnd:
        out += "</g>\n";
        break;
    }
  }
  for (std::size_t i = 0; i < im.open_groups; ++i) out += "</g>\n";
  out += "</svg>\n";
  return out;
}
