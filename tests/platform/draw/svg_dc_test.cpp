// CSvgDC: the lines, pens and texts drawn on it as an SVG document; pen
// selection and text attributes of CDC.
#include <afxwin.h>
#include <gtest/gtest.h>

#include <string>

namespace {

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos;
       at = text.find(what, at + 1))
    ++n;
  return n;
}

TEST(CPen, HoldsWhatItWasCreatedWith) {
  CPen pen(PS_DASH, 3, RGB(10, 20, 30));
  LOGPEN log{};
  EXPECT_EQ(pen.GetLogPen(&log), static_cast<int>(sizeof(LOGPEN)));
  EXPECT_EQ(log.lopnStyle, static_cast<UINT>(PS_DASH));
  EXPECT_EQ(log.lopnWidth.x, 3);
  EXPECT_EQ(log.lopnColor, 0x001E140Au);  // 0x00BBGGRR
  EXPECT_EQ(pen.GetLogPen(nullptr), 0);
  // Refused descriptions leave the pen as it was.
  EXPECT_EQ(pen.CreatePen(PS_SOLID, -1, 0), FALSE);
  EXPECT_EQ(pen.CreatePen(99, 1, 0), FALSE);
  pen.GetLogPen(&log);
  EXPECT_EQ(log.lopnWidth.x, 3);
}

TEST(CDC, SelectObjectReturnsThePenSelectedBefore) {
  CDC dc;
  CPen* stock = dc.GetCurrentPen();
  ASSERT_NE(stock, nullptr);
  CPen red(PS_SOLID, 2, RGB(255, 0, 0));
  EXPECT_EQ(dc.SelectObject(&red), stock);
  EXPECT_EQ(dc.GetCurrentPen(), &red);
  EXPECT_EQ(dc.SelectObject(nullptr), nullptr);
  EXPECT_EQ(dc.GetCurrentPen(), &red);
  EXPECT_EQ(dc.SelectObject(stock), &red);
}

TEST(CDC, TextAttributesReturnWhatTheyReplace) {
  CDC dc;
  EXPECT_EQ(dc.SetTextColor(RGB(1, 2, 3)), RGB(0, 0, 0));
  EXPECT_EQ(dc.GetTextColor(), RGB(1, 2, 3));
  EXPECT_EQ(dc.SetTextAlign(TA_CENTER | TA_BASELINE),
            static_cast<UINT>(TA_LEFT | TA_TOP));
  EXPECT_EQ(dc.GetTextAlign(), static_cast<UINT>(TA_CENTER | TA_BASELINE));
  EXPECT_EQ(dc.TextOutW(0, 0, L"abc", -1), TRUE);
  EXPECT_EQ(dc.TextOutW(0, 0, nullptr, 3), FALSE);
  EXPECT_EQ(dc.GetCurrentPosition(), CPoint(0, 0));  // text does not move it
}

TEST(CSvgDC, JoinsLinesOfOnePenIntoOnePath) {
  CSvgDC dc;
  dc.MoveTo(0, 0);
  dc.LineTo(10, 0);
  dc.LineTo(10, 10);
  dc.MoveTo(20, 20);  // a gap: a new sub-path of the same path
  dc.LineTo(30, 20);
  const std::string svg = dc.GetSvg();
  EXPECT_EQ(dc.GetElementCount(), 1u);
  EXPECT_NE(svg.find("d=\"M0 0L10 0 10 10 M20 20L30 20\""), std::string::npos)
      << svg;
  EXPECT_NE(svg.find("stroke=\"#000000\" stroke-width=\"1\""),
            std::string::npos);
}

TEST(CSvgDC, GroupsGatherWhatIsDrawnInsideThemAndBreakPaths) {
  CSvgDC dc;
  dc.MoveTo(0, 0);
  dc.LineTo(10, 0);
  dc.BeginGroup(L"plan<1>");
  dc.LineTo(20, 0);  // same pen, but inside the group: a path of its own
  dc.EndGroup();
  dc.EndGroup();  // no group open: nothing
  dc.BeginGroup(L"left open");
  dc.TextOut(0, 0, CString(L"a"));
  const std::string svg = dc.GetSvg();
  EXPECT_EQ(dc.GetElementCount(), 3u);
  const std::size_t open = svg.find("<g id=\"plan&lt;1&gt;\">\n<path");
  ASSERT_NE(open, std::string::npos) << svg;
  EXPECT_LT(svg.find("d=\"M0 0L10 0\""), open);
  EXPECT_GT(svg.find("d=\"M10 0L20 0\""), open);
  EXPECT_EQ(Count(svg, "<g "), 2u);
  EXPECT_EQ(Count(svg, "</g>"), 2u);
  EXPECT_NE(svg.find("</text>\n</g>\n</svg>"), std::string::npos) << svg;
}

TEST(CSvgDC, APenChangeStartsANewPathWithThatPen) {
  CSvgDC dc;
  CPen blue(PS_DASH, 3, RGB(0, 0, 255));
  dc.MoveTo(0, 0);
  dc.LineTo(5, 0);
  CPen* old = dc.SelectObject(&blue);
  dc.LineTo(5, 5);
  dc.SelectObject(old);
  dc.LineTo(0, 5);
  const std::string svg = dc.GetSvg();
  EXPECT_EQ(Count(svg, "<path"), 3u);
  EXPECT_NE(svg.find("stroke=\"#0000ff\" stroke-width=\"3\""),
            std::string::npos);
  EXPECT_NE(svg.find("stroke-dasharray"), std::string::npos);
}

TEST(CSvgDC, NullPensAndZeroLengthLinesDrawNothing) {
  CSvgDC dc;
  CPen none(PS_NULL, 1, 0);
  dc.SelectObject(&none);
  dc.LineTo(100, 100);
  CPen black;
  dc.SelectObject(&black);
  dc.LineTo(100, 100);
  EXPECT_EQ(dc.GetElementCount(), 0u);
  EXPECT_EQ(dc.GetExtent(), CRect());
  EXPECT_EQ(dc.GetCurrentPosition(), CPoint(100, 100));
}

TEST(CSvgDC, APenDestroyedAfterSelectionDoesNotChangeTheDrawing) {
  CSvgDC dc;
  {
    CPen green(PS_SOLID, 4, RGB(0, 128, 0));
    dc.SelectObject(&green);
  }
  dc.LineTo(7, 0);
  EXPECT_NE(dc.GetSvg().find("stroke=\"#008000\" stroke-width=\"4\""),
            std::string::npos);
}

TEST(CSvgDC, TheViewBoxIsTheExtentDrawnWithTheMargin) {
  CSvgDC dc;
  dc.SetMargin(5);
  dc.MoveTo(-20, -10);
  dc.LineTo(30, 40);  // width 1: covers -21..31 and -11..41
  EXPECT_EQ(dc.GetExtent(), CRect(-21, -11, 32, 42));
  const std::string svg = dc.GetSvg();
  EXPECT_NE(svg.find("viewBox=\"-26 -16 63 63\""), std::string::npos) << svg;
  CSvgDC empty;
  EXPECT_NE(empty.GetSvg().find("viewBox=\"0 0 1 1\""), std::string::npos);
}

TEST(CSvgDC, TextIsEscapedAndAlignedAndWidensTheExtent) {
  CSvgDC dc;
  dc.SetTitle(L"a < b & \"c\"");
  dc.SetFontHeight(10);
  dc.SetTextColor(RGB(255, 0, 0));
  dc.SetTextAlign(TA_RIGHT | TA_BASELINE);
  dc.TextOutW(100, 50, CString(L"x<y>&'z'"));
  const std::string svg = dc.GetSvg();
  EXPECT_NE(svg.find("<title>a &lt; b &amp; &quot;c&quot;</title>"),
            std::string::npos)
      << svg;
  EXPECT_NE(svg.find(">x&lt;y&gt;&amp;&apos;z&apos;</text>"), std::string::npos)
      << svg;
  EXPECT_NE(svg.find("text-anchor=\"end\""), std::string::npos);
  EXPECT_NE(svg.find("fill=\"#ff0000\""), std::string::npos);
  // Eight glyphs of about 6 units to the left of the reference point.
  const CRect e = dc.GetExtent();
  EXPECT_EQ(e.right, 101);
  EXPECT_EQ(e.left, 100 - 48);
  EXPECT_EQ(e.bottom, 50 - 8 + 10 + 1);
}

TEST(CSvgDC, CharactersXmlCannotHoldBecomeReplacementCharacters) {
  CSvgDC dc;
  const wchar_t text[] = {L'a',
                          0x1,
                          static_cast<wchar_t>(0xD800),
                          L'b',
                          static_cast<wchar_t>(0xD83D),
                          static_cast<wchar_t>(0xDE00),
                          L'\x44f',
                          0};
  dc.TextOutW(0, 0, text, -1);
  const std::string svg = dc.GetSvg();
  // U+FFFD twice, a UTF-16 pair joined into U+1F600, and Cyrillic ya.
  EXPECT_NE(svg.find("a\xEF\xBF\xBD\xEF\xBF\xBD"
                     "b\xF0\x9F\x98\x80\xD1\x8F"),
            std::string::npos);
}

TEST(CSvgDC, TextOutTakesTheGivenCount) {
  CSvgDC dc;
  dc.TextOutW(0, 0, L"abcdef", 3);
  EXPECT_NE(dc.GetSvg().find(">abc</text>"), std::string::npos);
}

}  // namespace
