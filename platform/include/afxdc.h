// Platform layer - the drawing surface CDC.
#ifndef MATRIX_PLATFORM_AFXDC_H_
#define MATRIX_PLATFORM_AFXDC_H_

// CDC draws with CPoint; afxwin.h declares it and includes this header at
// its end, so either header may come first.
#include <afxexport.h>
#include <afxwin.h>

#include <vector>

// A drawing surface with a current position, offering the framework's
// move-to and line-to operations. The base surface draws nowhere: it only
// keeps the current position. A host directs the lines somewhere by
// deriving from it and overriding the two protected hooks (a recording
// surface below, an SVG writer or a window later). The current position
// starts at (0, 0).
class MATRIX_PLATFORM_API CDC : public CObject {
  DECLARE_DYNAMIC(CDC)

 public:
  CDC();
  ~CDC() override;

  // Makes (x, y) the current position without drawing. Returns the
  // previous current position.
  CPoint MoveTo(int x, int y);
  CPoint MoveTo(POINT point);

  // Draws a line from the current position to (x, y), end point excluded
  // as the framework's pen does, and makes (x, y) the current position
  // (also when the surface reports failure). Returns what the surface
  // reports: nonzero when the line was drawn; the base surface reports TRUE.
  BOOL LineTo(int x, int y);
  BOOL LineTo(POINT point);

  CPoint GetCurrentPosition() const;

 protected:
  // Called by MoveTo with the previous and the new current position.
  virtual void OnMoveTo(CPoint from, CPoint to);
  // Called by LineTo with the line's two ends before the current position
  // moves to `to`; its result is LineTo's result.
  virtual BOOL OnLineTo(CPoint from, CPoint to);

 private:
  CPoint m_current;
};

// A surface that records every MoveTo and LineTo in order, for tests and
// for hosts that replay a drawing onto another surface.
class MATRIX_PLATFORM_API CRecordingDC : public CDC {
  DECLARE_DYNAMIC(CRecordingDC)

 public:
  enum class Op { kMoveTo, kLineTo };
  struct Step {
    Op op;
    CPoint from;  // the current position before the call
    CPoint to;    // the point handed to the call
  };

  CRecordingDC();
  ~CRecordingDC() override;

  const std::vector<Step>& Steps() const { return m_steps; }
  void Clear() { m_steps.clear(); }

 protected:
  void OnMoveTo(CPoint from, CPoint to) override;
  BOOL OnLineTo(CPoint from, CPoint to) override;

 private:
  std::vector<Step> m_steps;
};

#endif  // MATRIX_PLATFORM_AFXDC_H_
