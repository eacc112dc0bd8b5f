// Platform layer - the drawing surface CDC, pens and the recording surface.
#include <afxwin.h>

#include <cwchar>

namespace {

LOGPEN BlackPen() {
  LOGPEN log{};
  log.lopnStyle = PS_SOLID;
  log.lopnWidth.x = 0;
  log.lopnWidth.y = 0;
  log.lopnColor = RGB(0, 0, 0);
  return log;
}

// The pen every surface starts with. Selecting it again is how a host
// restores the initial state, so it must outlive every surface.
CPen& StockPen() {
  static CPen* pen =
      new CPen();  // never destroyed: surfaces may outlive statics
  return *pen;
}

}  // namespace

IMPLEMENT_DYNAMIC(CPen, CObject)
IMPLEMENT_DYNAMIC(CDC, CObject)
IMPLEMENT_DYNAMIC(CRecordingDC, CDC)

CPen::CPen() : m_log(BlackPen()) {}

CPen::CPen(int style, int width, COLORREF color) : m_log(BlackPen()) {
  CreatePen(style, width, color);
}

CPen::~CPen() = default;

BOOL CPen::CreatePen(int style, int width, COLORREF color) {
  if (style < PS_SOLID || style > PS_NULL || width < 0) return FALSE;
  m_log.lopnStyle = static_cast<UINT>(style);
  m_log.lopnWidth.x = width;
  m_log.lopnWidth.y = 0;
  m_log.lopnColor = color;
  return TRUE;
}

int CPen::GetLogPen(LOGPEN* log_pen) const {
  if (log_pen == nullptr) return 0;
  *log_pen = m_log;
  return static_cast<int>(sizeof(LOGPEN));
}

CDC::CDC()
    : m_pen(&StockPen()),
      m_log_pen(BlackPen()),
      m_text_color(RGB(0, 0, 0)),
      m_text_align(TA_LEFT | TA_TOP) {}

CDC::~CDC() = default;

CPoint CDC::MoveTo(int x, int y) {
  const CPoint previous = m_current;
  m_current = CPoint(x, y);
  OnMoveTo(previous, m_current);
  return previous;
}

CPoint CDC::MoveTo(POINT point) { return MoveTo(point.x, point.y); }

BOOL CDC::LineTo(int x, int y) {
  const CPoint to(x, y);
  const BOOL drawn = OnLineTo(m_current, to);
  m_current = to;
  return drawn;
}

BOOL CDC::LineTo(POINT point) { return LineTo(point.x, point.y); }

CPoint CDC::GetCurrentPosition() const { return m_current; }

CPen* CDC::SelectObject(CPen* pen) {
  if (pen == nullptr) return nullptr;
  CPen* previous = m_pen;
  m_pen = pen;
  pen->GetLogPen(&m_log_pen);
  return previous;
}

CPen* CDC::GetCurrentPen() const { return m_pen; }

COLORREF CDC::SetTextColor(COLORREF color) {
  const COLORREF previous = m_text_color;
  m_text_color = color;
  return previous;
}

COLORREF CDC::GetTextColor() const { return m_text_color; }

UINT CDC::SetTextAlign(UINT flags) {
  const UINT previous = m_text_align;
  m_text_align = flags;
  return previous;
}

UINT CDC::GetTextAlign() const { return m_text_align; }

BOOL CDC::TextOutW(int x, int y, LPCTSTR text, int count) {
  if (text == nullptr) return FALSE;
  const std::size_t length = std::wcslen(text);
  if (count < 0 || static_cast<std::size_t>(count) > length) {
    count = length > 0x7fffffff ? 0x7fffffff : static_cast<int>(length);
  }
  return OnTextOut(CPoint(x, y), CString(text, count));
}

BOOL CDC::TextOutW(int x, int y, const CString& text) {
  return OnTextOut(CPoint(x, y), text);
}

void CDC::OnMoveTo(CPoint, CPoint) {}

BOOL CDC::OnLineTo(CPoint, CPoint) { return TRUE; }

BOOL CDC::OnTextOut(CPoint, const CString&) { return TRUE; }

CRecordingDC::CRecordingDC() = default;
CRecordingDC::~CRecordingDC() = default;

void CRecordingDC::OnMoveTo(CPoint from, CPoint to) {
  m_steps.push_back(Step{Op::kMoveTo, from, to});
}

BOOL CRecordingDC::OnLineTo(CPoint from, CPoint to) {
  m_steps.push_back(Step{Op::kLineTo, from, to});
  return TRUE;
}
