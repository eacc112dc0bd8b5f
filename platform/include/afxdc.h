/// \file
/// \ingroup draw_afxdc
/// \brief The drawing surface CDC.
#ifndef MATRIX_PLATFORM_AFXDC_H_
#define MATRIX_PLATFORM_AFXDC_H_

/// \defgroup draw_afxdc afxdc.h: drawing surfaces
/// \ingroup draw
/// \brief The drawing surface CDC.
/// @{

// CDC draws with CPoint; afxwin.h declares it and includes this header at
// its end, so either header may come first.
#include <afxexport.h>
#include <afxwin.h>
#include <wingdi.h>

#include <memory>
#include <string>
#include <vector>

/// A pen's logical description; lopnWidth.x is the width, .y unused.
typedef struct tagLOGPEN {
  UINT lopnStyle;      ///< PS_SOLID, PS_DASH, ...
  POINT lopnWidth;     ///< x: the width; y unused
  COLORREF lopnColor;  ///< the colour
} LOGPEN, *PLOGPEN, *LPLOGPEN;
/// \typedef PLOGPEN
/// A pointer to a LOGPEN.
/// \typedef LPLOGPEN
/// A pointer to a LOGPEN.

/// A pen: style (PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT,
/// PS_NULL), width in drawing units (0 draws one unit wide, as the device's
/// thinnest line) and colour. A default-constructed pen is a solid black
/// line of width 0 until CreatePen says otherwise.
class MATRIX_PLATFORM_API CPen : public CObject {
  DECLARE_DYNAMIC(CPen)

 public:
  CPen();
  /// A pen as CreatePen(style, width, color) makes it (a solid black pen of
  /// width 0 when that refuses).
  CPen(int style, int width, COLORREF color);
  ~CPen() override;

  /// Sets style, width and colour. FALSE, leaving the pen as it was, for an
  /// unknown style or a negative width.
  BOOL CreatePen(int style, int width, COLORREF color);
  /// Copies the description into *log_pen; 0 when log_pen is null, else
  /// sizeof(LOGPEN).
  int GetLogPen(LOGPEN* log_pen) const;

 private:
  LOGPEN m_log;
};

/// A drawing surface with a current position, offering the framework's
/// move-to, line-to and text-out operations, pen selection and the text
/// colour and alignment. The base surface draws nowhere: it only keeps the
/// current position and the selected attributes. A host directs the drawing
/// somewhere by deriving from it and overriding the protected hooks (a
/// recording surface and an SVG writer below, a window later). The current
/// position starts at (0, 0), the pen is the stock black pen of width 0,
/// text is black with TA_LEFT | TA_TOP alignment.
class MATRIX_PLATFORM_API CDC : public CObject {
  DECLARE_DYNAMIC(CDC)

 public:
  CDC();
  ~CDC() override;

  /// Makes (x, y) the current position without drawing. Returns the
  /// previous current position.
  CPoint MoveTo(int x, int y);
  /// \copydoc CDC::MoveTo(int, int)
  CPoint MoveTo(POINT point);

  /// Draws a line from the current position to (x, y), end point excluded
  /// as the framework's pen does, and makes (x, y) the current position
  /// (also when the surface reports failure). Returns what the surface
  /// reports: nonzero when the line was drawn; the base surface reports TRUE.
  BOOL LineTo(int x, int y);
  /// \copydoc CDC::LineTo(int, int)
  BOOL LineTo(POINT point);

  /// The current position.
  CPoint GetCurrentPosition() const;

  /// Makes `pen` the pen of the lines drawn from now on and returns the pen
  /// selected before (the stock pen at first). The surface copies the pen's
  /// description when it is selected, so a pen changed or destroyed while
  /// selected does not change what is drawn. A null pen selects nothing and
  /// returns nullptr.
  CPen* SelectObject(CPen* pen);
  /// The pen selected now (the stock pen at first).
  CPen* GetCurrentPen() const;

  /// Text colour and alignment (TA_LEFT, TA_CENTER or TA_RIGHT combined with
  /// TA_TOP, TA_BASELINE or TA_BOTTOM) for TextOut; each returns the value
  /// it replaces.
  COLORREF SetTextColor(COLORREF color);
  /// The text colour (black at first).
  COLORREF GetTextColor() const;
  /// Sets the text alignment; returns the alignment it replaces.
  UINT SetTextAlign(UINT flags);
  /// The text alignment (TA_LEFT | TA_TOP at first).
  UINT GetTextAlign() const;

  /// Writes `text` (the first `count` characters; -1 or a count beyond the
  /// text: up to its terminating 0) with its reference point at (x, y), in
  /// the text colour and alignment. The current position does not move.
  /// Returns what the surface reports (the base surface: TRUE); FALSE for a
  /// null text. Named as the Unicode build of the framework names it.
  BOOL TextOutW(int x, int y, LPCTSTR text, int count);
  /// \copydoc CDC::TextOutW(int, int, LPCTSTR, int)
  BOOL TextOutW(int x, int y, const CString& text);

 protected:
  /// Called by MoveTo with the previous and the new current position.
  virtual void OnMoveTo(CPoint from, CPoint to);
  /// Called by LineTo with the line's two ends before the current position
  /// moves to `to`; its result is LineTo's result.
  virtual BOOL OnLineTo(CPoint from, CPoint to);
  /// Called by TextOutW with the reference point and the text.
  virtual BOOL OnTextOut(CPoint at, const CString& text);

  /// The description of the selected pen, as copied when it was selected.
  const LOGPEN& CurrentLogPen() const { return m_log_pen; }

 private:
  CPoint m_current;
  CPen* m_pen;
  LOGPEN m_log_pen;
  COLORREF m_text_color;
  UINT m_text_align;
};

/// In the framework's Unicode build TextOut is TextOutW.
#ifndef TextOut
#define TextOut TextOutW
#endif

/// A surface that records every MoveTo and LineTo in order, for tests and
/// for hosts that replay a drawing onto another surface.
class MATRIX_PLATFORM_API CRecordingDC : public CDC {
  DECLARE_DYNAMIC(CRecordingDC)

 public:
  /// Which call a step records.
  enum class Op { kMoveTo, kLineTo };
  /// One recorded MoveTo or LineTo.
  struct Step {
    Op op;        ///< the call
    CPoint from;  ///< the current position before the call
    CPoint to;    ///< the point handed to the call
  };

  CRecordingDC();
  ~CRecordingDC() override;

  /// The steps recorded so far, in order.
  const std::vector<Step>& Steps() const { return m_steps; }
  /// Forgets the recorded steps.
  void Clear() { m_steps.clear(); }

 protected:
  void OnMoveTo(CPoint from, CPoint to) override;
  BOOL OnLineTo(CPoint from, CPoint to) override;

 private:
  std::vector<Step> m_steps;
};

/// A surface that writes what is drawn on it as an SVG document. Lines drawn
/// one after another with the same pen become one path; coordinates are the
/// surface's integers with y growing downwards, as on a window. The
/// document's view box is the extent of everything drawn (text included, by
/// an estimate of its width) with a margin around it, on a white ground.
/// Texts are written as UTF-8 with XML's special characters escaped;
/// characters XML cannot hold (control characters, lone surrogates, values
/// beyond U+10FFFF) become U+FFFD.
class MATRIX_PLATFORM_API CSvgDC : public CDC {
  DECLARE_DYNAMIC(CSvgDC)

 public:
  CSvgDC();
  ~CSvgDC() override;

  /// The document's title (its \<title> element); empty: none.
  void SetTitle(const CString& title);
  /// Height of the texts written from now on, in drawing units (at least 1;
  /// default 12).
  void SetFontHeight(int height);
  /// Blank border around the extent, in drawing units (at least 0; default
  /// 10).
  void SetMargin(int margin);

  /// The rectangle covering everything drawn so far (right and bottom
  /// exclusive); an empty rectangle at (0, 0) when nothing has been drawn.
  CRect GetExtent() const;
  /// Number of path and text elements written so far.
  std::size_t GetElementCount() const;

  /// Gathers what is drawn from now on into an SVG group (\<g id="...">,
  /// the id escaped as text is) until the matching EndGroup; groups nest.
  /// EndGroup without an open group does nothing; groups still open when
  /// the document is written are closed at its end.
  void BeginGroup(const CString& id);
  /// \copydoc CSvgDC::BeginGroup(const CString&)
  void EndGroup();

  /// The whole SVG document as UTF-8 text.
  std::string GetSvg() const;

 protected:
  void OnMoveTo(CPoint from, CPoint to) override;
  BOOL OnLineTo(CPoint from, CPoint to) override;
  BOOL OnTextOut(CPoint at, const CString& text) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

/// @}

#endif  // MATRIX_PLATFORM_AFXDC_H_
