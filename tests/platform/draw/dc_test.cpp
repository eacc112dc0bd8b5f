// CDC: move-to and line-to as the framework has them, and the recording
// surface that hosts and tests direct drawings into.
#include <afxwin.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(CDC, MoveToReturnsThePreviousPosition) {
  CDC dc;
  EXPECT_EQ(dc.GetCurrentPosition(), CPoint(0, 0));
  EXPECT_EQ(dc.MoveTo(3, 4), CPoint(0, 0));
  POINT p{-5, 6};
  EXPECT_EQ(dc.MoveTo(p), CPoint(3, 4));
  EXPECT_EQ(dc.GetCurrentPosition(), CPoint(-5, 6));
}

TEST(CDC, LineToMovesThePositionAndReportsSuccess) {
  CDC dc;
  EXPECT_EQ(dc.LineTo(10, 0), TRUE);
  EXPECT_EQ(dc.GetCurrentPosition(), CPoint(10, 0));
  EXPECT_EQ(dc.LineTo(CPoint(10, 10)), TRUE);
  EXPECT_EQ(dc.GetCurrentPosition(), CPoint(10, 10));
}

TEST(CRecordingDC, RecordsEveryCallWithItsEnds) {
  CRecordingDC dc;
  dc.MoveTo(1, 1);
  dc.LineTo(4, 1);
  dc.LineTo(POINT{4, 5});
  const auto& s = dc.Steps();
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[0].op, CRecordingDC::Op::kMoveTo);
  EXPECT_EQ(s[0].from, CPoint(0, 0));
  EXPECT_EQ(s[0].to, CPoint(1, 1));
  EXPECT_EQ(s[1].op, CRecordingDC::Op::kLineTo);
  EXPECT_EQ(s[1].from, CPoint(1, 1));
  EXPECT_EQ(s[1].to, CPoint(4, 1));
  EXPECT_EQ(s[2].from, CPoint(4, 1));
  EXPECT_EQ(s[2].to, CPoint(4, 5));
  dc.Clear();
  EXPECT_TRUE(dc.Steps().empty());
  EXPECT_EQ(dc.GetCurrentPosition(), CPoint(4, 5));
}

// A host surface that refuses lines: LineTo reports it and still moves on,
// as a device context does after a failed line.
class RefusingDC : public CDC {
 public:
  std::vector<CPoint> moves;

 protected:
  void OnMoveTo(CPoint, CPoint to) override { moves.push_back(to); }
  BOOL OnLineTo(CPoint, CPoint) override { return FALSE; }
};

TEST(CDC, ADerivedSurfaceDecidesWhereLinesGo) {
  RefusingDC dc;
  CDC& base = dc;
  base.MoveTo(2, 3);
  EXPECT_EQ(base.LineTo(7, 7), FALSE);
  EXPECT_EQ(base.GetCurrentPosition(), CPoint(7, 7));
  ASSERT_EQ(dc.moves.size(), 1u);
  EXPECT_EQ(dc.moves[0], CPoint(2, 3));
}

}  // namespace
