// Platform layer - the drawing surface CDC and the recording surface.
#include <afxwin.h>

IMPLEMENT_DYNAMIC(CDC, CObject)
IMPLEMENT_DYNAMIC(CRecordingDC, CDC)

CDC::CDC() = default;
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

void CDC::OnMoveTo(CPoint, CPoint) {}

BOOL CDC::OnLineTo(CPoint, CPoint) { return TRUE; }

CRecordingDC::CRecordingDC() = default;
CRecordingDC::~CRecordingDC() = default;

void CRecordingDC::OnMoveTo(CPoint from, CPoint to) {
  m_steps.push_back(Step{Op::kMoveTo, from, to});
}

BOOL CRecordingDC::OnLineTo(CPoint from, CPoint to) {
  m_steps.push_back(Step{Op::kLineTo, from, to});
  return TRUE;
}
