// The pipeline host's stages against values worked out by hand: lengths of
// bends fitted into corners, weight, soil cover on planes, fatigue, nodes
// inserted on bends, and one clear fault for each kind of bad document.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "run.h"
#include "support/testing.h"

namespace {

using namespace matrix::testing;

// A document with the given nodes and survey; the fields may be replaced
// one by one.
struct Doc {
  std::string fields =
      "\"outer_diameter\": \"0.2\", \"wall\": \"0.01\", \"bend_radius\": 1.5, "
      "\"pressure\": 2, \"density\": 7850, \"min_cover\": 0.8, \"cycles\": "
      "2000, "
      "\"amplitude\": 29000";
  std::string nodes;
  std::string ground;
  std::string extra;

  std::wstring Text() const {
    std::string s = "{\"fields\": {" + fields + "}, \"nodes\": [" + nodes + "]";
    if (!ground.empty()) s += ", \"ground\": [" + ground + "]";
    if (!extra.empty()) s += ", " + extra;
    return pipeline::DecodeUtf8(s + "}");
  }
};

std::string Pt(double x, double y, double z) {
  char text[96];
  std::snprintf(text, sizeof text, "{\"x\": %.17g, \"y\": %.17g, \"z\": %.17g}",
                x, y, z);
  return text;
}

pipeline::Results Computed(const Doc& d) {
  return pipeline::Compute(pipeline::ReadDocument(d.Text()));
}

std::string FaultOf(const Doc& d) {
  try {
    Computed(d);
  } catch (const pipeline::InputError& e) {
    return e.what();
  }
  return "(no fault)";
}

Doc LShape() {
  Doc d;
  d.nodes = Pt(0, 0, 0) + "," + Pt(10, 0, 0) + "," + Pt(10, 10, 0);
  return d;
}

TEST(PipelineGeometry, LShapedRunOfTwoTenMetreLegsWithAOneAndAHalfMetreBend) {
  const pipeline::Results r = Computed(LShape());
  ASSERT_EQ(r.bends.size(), 1u);
  const pipeline::Bend& b = r.bends[0];
  ASSERT_TRUE(b.fits) << b.problem;
  // A right angle: the arc turns a quarter circle, the tangents are R long.
  EXPECT_NEAR(b.turn, kPi / 2, 1e-12);
  EXPECT_NEAR(b.tangent, 1.5, 1e-12);
  EXPECT_NEAR(b.arc, 0.75 * kPi, 1e-12);
  EXPECT_NEAR(b.centre.x, 8.5, 1e-12);
  EXPECT_NEAR(b.centre.y, 1.5, 1e-12);
  EXPECT_NEAR(b.t1.x, 8.5, 1e-12);
  EXPECT_NEAR(b.t2.y, 1.5, 1e-12);
  EXPECT_NEAR(r.straight_length, 17.0, 1e-12);
  EXPECT_NEAR(r.total_length, 20.0 - 3.0 + 0.75 * kPi, 1e-12);
}

TEST(PipelineGeometry, AnyTurnShortensTheRunByTwoTangentsLessTheArc) {
  // Legs of 10 m meeting at 120 degrees: the pipe turns 60 degrees,
  // T = R tan 30, the arc is R pi / 3.
  Doc d;
  d.nodes = Pt(0, 0, 0) + "," + Pt(10, 0, 0) + "," +
            Pt(10 + 5, 10 * std::sqrt(0.75), 0);
  const pipeline::Results r = Computed(d);
  const double t = 1.5 * std::tan(kPi / 6);
  EXPECT_NEAR(r.bends.at(0).tangent, t, 1e-9);
  EXPECT_NEAR(r.total_length, 20 - 2 * t + 1.5 * kPi / 3, 1e-9);
}

TEST(PipelineGeometry, CornersThatCannotHoldABendAreReportedByNode) {
  struct Case {
    const char* what;
    std::string nodes;
    int node;          // 0-based corner expected to misfit
    const char* says;  // part of the reason
  } cases[] = {
      {"legs shorter than the tangent",
       Pt(0, 0, 0) + "," + Pt(1, 0, 0) + "," + Pt(1, 1, 0), 1,
       "needs 1.5 m of each leg"},
      {"folded back", Pt(0, 0, 0) + "," + Pt(10, 0, 0) + "," + Pt(5, 0, 0), 1,
       "turns back on itself"},
      {"two bends on a 2 m leg",
       Pt(0, 0, 0) + "," + Pt(10, 0, 0) + "," + Pt(10, 2, 0) + "," +
           Pt(20, 2, 0),
       2, "overlaps the bend at node 2"},
  };
  for (const Case& c : cases) {
    Doc d;
    d.nodes = c.nodes;
    const pipeline::Results r = Computed(d);
    bool found = false;
    for (const pipeline::Bend& b : r.bends) {
      if (b.node != c.node) continue;
      found = true;
      EXPECT_FALSE(b.fits) << c.what;
      EXPECT_NE(b.problem.find(c.says), std::string::npos)
          << c.what << ": " << b.problem;
    }
    EXPECT_TRUE(found) << c.what;
  }
  // The overlapping case keeps the first bend: 10 + 2 + 10 less its two
  // tangents plus its quarter arc.
  Doc d;
  d.nodes = cases[2].nodes;
  EXPECT_NEAR(Computed(d).total_length, 22 - 3 + 0.75 * kPi, 1e-9);
}

TEST(PipelineGeometry, AStraightThroughNodeHasNoBend) {
  Doc d;
  d.nodes = Pt(0, 0, 0) + "," + Pt(5, 0, 0) + "," + Pt(12, 0, 0);
  const pipeline::Results r = Computed(d);
  EXPECT_TRUE(r.bends.empty());
  EXPECT_NEAR(r.total_length, 12, 1e-12);
}

TEST(PipelineGeometry, ANodeInsertedHalfWayRoundABendSplitsItInTwo) {
  Doc d = LShape();
  d.extra = "\"split\": {\"2\": \"0.375*PI\"}";  // half of 0.75 pi
  const pipeline::Results r = Computed(d);
  ASSERT_EQ(r.splits.size(), 1u);
  const pipeline::Split& s = r.splits[0];
  // On the arc at 45 degrees from the centre (8.5, 1.5); each half-bend
  // turns 45 degrees, so its tangent is R tan 22.5.
  const double h = 1.5 * std::tan(kPi / 8);
  EXPECT_NEAR(s.point.x, 8.5 + 1.5 * std::sqrt(0.5), 1e-9);
  EXPECT_NEAR(s.point.y, 1.5 - 1.5 * std::sqrt(0.5), 1e-9);
  EXPECT_NEAR(s.corner1.x, 8.5 + h, 1e-9);
  EXPECT_NEAR(s.corner1.y, 0, 1e-9);
  EXPECT_NEAR(s.corner2.x, 10, 1e-9);
  EXPECT_NEAR(s.corner2.y, 1.5 - h, 1e-9);
  EXPECT_NEAR(s.dist1, 8.5 + h, 1e-9);
  EXPECT_NEAR(s.station, 8.5 + 0.375 * kPi, 1e-9);
  // A node a hair's breadth round the bend is at the bend's start, not at
  // the run's start.
  d.extra = "\"split\": {\"2\": 1e-10}";
  EXPECT_NEAR(Computed(d).splits.at(0).station, 8.5, 1e-9);
}

TEST(PipelineSection, WeightIsTheAnnulusTimesTheDensity) {
  const pipeline::Results r = Computed(LShape());
  const double area = kPi / 4 * (0.2 * 0.2 - 0.18 * 0.18);
  EXPECT_NEAR(r.inner_diameter, 0.18, 1e-15);
  EXPECT_NEAR(r.weight_per_metre, area * 7850, 1e-9);
  EXPECT_NEAR(r.bend_weight, area * 7850 * 0.75 * kPi, 1e-9);  // by Pappus
  EXPECT_NEAR(r.total_weight, area * 7850 * (17 + 0.75 * kPi), 1e-9);
  EXPECT_NEAR(r.second_moment,
              kPi / 64 * (std::pow(0.2, 4) - std::pow(0.18, 4)), 1e-15);
  EXPECT_NEAR(r.hoop_stress, 2 * 0.18 / 0.02, 1e-12);
}

TEST(PipelineSoil, AStraightRunOnASlopingPlaneHasACoverGrowingLinearly) {
  // Ground z = 100 + 0.1 x; the pipe's axis at 98, its top at 98.1.
  Doc d;
  d.nodes = Pt(0, 0, 98) + "," + Pt(20, 0, 98) + "," + Pt(40, 0, 98);
  d.ground = Pt(0, -5, 100) + "," + Pt(0, 5, 100) + "," + Pt(50, 0, 105) + "," +
             Pt(50, 8, 105);
  d.fields += ", \"min_cover\": 2.5";
  d.fields.replace(d.fields.find("\"min_cover\": 0.8, "), 18, "");
  const pipeline::Results r = Computed(d);
  ASSERT_EQ(r.cover.size(), 3u);
  const double expected[3] = {1.9, 3.9, 5.9};
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(r.cover[static_cast<std::size_t>(i)].known);
    EXPECT_NEAR(r.cover[static_cast<std::size_t>(i)].cover, expected[i], 1e-9)
        << i;
  }
  EXPECT_TRUE(r.cover[0].too_little);
  EXPECT_FALSE(r.cover[1].too_little);
  EXPECT_EQ(r.low_cover_nodes, 1);
  EXPECT_NEAR(r.min_cover, 1.9, 1e-9);
  EXPECT_NEAR(r.max_cover, 5.9, 1e-9);
}

TEST(PipelineSoil, TheNearestSurveyPointsCarryTheSurface) {
  // A grid of survey points on z = 50 - 0.02 x + 0.03 y, and a pipe
  // crossing it: wherever it runs the three nearest points lie on that
  // plane, so the cover is the plane's height less the top.
  Doc d;
  std::string g;
  for (int i = 0; i <= 20; ++i) {
    for (int j = 0; j <= 20; ++j) {
      if (!g.empty()) g += ",";
      g += Pt(i * 5.0, j * 5.0, 50 - 0.02 * i * 5.0 + 0.03 * j * 5.0);
    }
  }
  d.ground = g;
  d.nodes = Pt(3, 7, 47) + "," + Pt(61.5, 33.2, 47) + "," + Pt(98, 91, 46);
  const pipeline::Results r = Computed(d);
  const double xs[3] = {3, 61.5, 98}, ys[3] = {7, 33.2, 91},
               zs[3] = {47, 47, 46};
  for (int i = 0; i < 3; ++i) {
    const double top = zs[i] + 0.1;
    EXPECT_NEAR(r.cover[static_cast<std::size_t>(i)].cover,
                50 - 0.02 * xs[i] + 0.03 * ys[i] - top, 1e-9)
        << i;
  }
}

// A route across the empty middle of a ring of 4000 survey points, levels
// 20 + 10 cos(angle): every sample's nearest points lie on the ring ahead
// of it, at level 30 east of the centre and 10 west of it. (The grid's
// search out to them visited nearly all its cells for each sample.)
TEST(PipelineSoil, ARouteAcrossAnEmptyRingFindsTheNearestPointsOnTheRing) {
  Doc d;
  std::string g;
  constexpr int kRing = 4000;
  for (int k = 0; k < kRing; ++k) {
    const double a = 2 * kPi * k / kRing;
    if (k > 0) g += ",";
    g += Pt(500 * std::cos(a), 500 * std::sin(a), 20 + 10 * std::cos(a));
  }
  d.ground = g;
  d.nodes = Pt(-400, 0, 0) + "," + Pt(400, 0, 0);
  const pipeline::Results r = Computed(d);
  ASSERT_EQ(r.profile.points.size(), 801u);
  for (const pipeline::ProfilePoint& p : r.profile.points) {
    if (std::fabs(p.axis.x) < 1) continue;
    ASSERT_TRUE(p.known) << p.station;
    EXPECT_NEAR(p.ground, p.axis.x > 0 ? 30 : 10, 1e-3) << p.station;
  }
}

// Three nearest survey points nearly in one line span a plane whose slope
// across them is their levels' difference over the sliver's width: two
// metres off it the ground lay 100 m below the pipe. Such a sliver is the
// line between its ends, level across: here the level 100 of A and B.
TEST(PipelineSoil, ASliverOfSurveyPointsIsTakenAsTheLineBetweenItsEnds) {
  Doc d;
  d.ground = Pt(0, 0, 100) + "," + Pt(20, 0, 100) + "," + Pt(10, 0.01, 101) +
             "," + Pt(10, -50, 100) + "," + Pt(10, 50, 100);
  d.nodes = Pt(10, -2, 98) + "," + Pt(11, -2, 98);
  const pipeline::Results r = Computed(d);
  ASSERT_EQ(r.cover.size(), 2u);
  for (const pipeline::NodeCover& c : r.cover) {
    ASSERT_TRUE(c.known);
    EXPECT_NEAR(c.ground, 100, 1e-9);
    EXPECT_NEAR(c.cover, 100 - 98.1, 1e-9);  // less the top: z + 0.2 / 2
  }
}

// Survey rows at y = -5 and y = 5, one pair of points at each x with the
// given level: along the pipe's line (y = 0) the ground is level across and
// follows the pairs lengthwise.
std::string Rows(std::initializer_list<std::pair<double, double>> x_and_z) {
  std::string g;
  for (const auto& [x, z] : x_and_z) {
    if (!g.empty()) g += ",";
    g += Pt(x, -5, z) + "," + Pt(x, 5, z);
  }
  return g;
}

TEST(PipelineProfile, AGullyBetweenWellCoveredNodesIsAStretchBelowTheMinimum) {
  // Nodes with 1.9 m of cover (ground 2.0, top 0.1); midway the ground
  // falls to 0.89, 1.11 m lower: 0.79 m over the pipe at chainage 50.
  Doc d;
  d.nodes = Pt(0, 0, 0) + "," + Pt(100, 0, 0);
  d.ground = Rows({{0, 2}, {40, 2}, {50, 0.89}, {60, 2}, {100, 2}});
  const pipeline::Document doc = pipeline::ReadDocument(d.Text());
  const pipeline::Results r = pipeline::Compute(doc);
  EXPECT_EQ(r.low_cover_nodes, 0);
  EXPECT_NEAR(r.cover[0].cover, 1.9, 1e-9);
  const pipeline::Profile& p = r.profile;
  EXPECT_NEAR(p.least_cover, 0.79, 1e-9);
  EXPECT_NEAR(p.least_at, 50.0, 1e-9);
  ASSERT_EQ(p.low.size(), 1u);
  EXPECT_NEAR(p.low[0].from, 50.0, 1e-9);
  EXPECT_NEAR(p.low[0].to, 50.0, 1e-9);
  EXPECT_NE(
      pipeline::Summary(doc, r, L'.')
          .find("  least cover 0.79 m at chainage 50.0 m; 0 of 2 nodes and 1 "
                "stretch below 0.80 m\n"),
      std::string::npos)
      << pipeline::Summary(doc, r, L'.');
}

// A crest with a 500 m vertical bend: the corner node lies 0.4 m above the
// arc's middle, with 0.75 m of ground over a pipe there; the pipe itself
// has 1.15 m everywhere. The summary counted the corner, a node below the
// minimum with no stretch below it.
TEST(PipelineProfile, ANodeIsCountedBelowTheMinimumByItsSampleOnTheAxis) {
  Doc d;
  d.fields.replace(d.fields.find("1.5"), 3, "500");
  d.nodes = Pt(0, 0, 0) + "," + Pt(50, 0, 2) + "," + Pt(100, 0, 0);
  d.ground = Rows({{-1, 2.85}, {101, 2.85}});
  const pipeline::Document doc = pipeline::ReadDocument(d.Text());
  const pipeline::Results r = pipeline::Compute(doc);
  EXPECT_TRUE(r.cover[1].too_little);  // the corner, as the node table has it
  EXPECT_TRUE(r.profile.low.empty());
  EXPECT_EQ(r.profile.low_nodes, 0);
  const std::string summary = pipeline::Summary(doc, r, L'.');
  EXPECT_NE(summary.find("0 of 3 nodes and 0 stretches"), std::string::npos)
      << summary;
}

TEST(PipelineProfile, StationsOfAnLRunComeFromTheTangentAndTheArc) {
  // Legs of 10 m, a quarter bend of 1.5 m: the straight ends 1.5 m before
  // the corner, the corner node sits half-way round the arc.
  const pipeline::Results r = Computed(LShape());
  const pipeline::Profile& p = r.profile;
  const double arc = 0.75 * kPi;
  const double expected[3] = {0, 8.5 + arc / 2, 17 + arc};
  for (std::size_t i = 0; i < 3; ++i)
    EXPECT_NEAR(p.points[p.node_point[i]].station, expected[i], 1e-9) << i;
  EXPECT_NEAR(p.points.back().station, r.total_length, 1e-9);
  // The arc's middle lies R (sqrt 2 - 1) inside the corner (10, 0).
  const pipeline::Point3 mid = p.points[p.node_point[1]].axis;
  EXPECT_NEAR(mid.x, 8.5 + 1.5 * std::sqrt(0.5), 1e-9);
  EXPECT_NEAR(mid.y, 1.5 - 1.5 * std::sqrt(0.5), 1e-9);
  bool tangent1 = false, tangent2 = false;
  for (std::size_t k = 1; k < p.points.size(); ++k) {
    EXPECT_LE(p.points[k].station - p.points[k - 1].station, 1.0 + 1e-12);
    tangent1 = tangent1 || std::fabs(p.points[k].station - 8.5) < 1e-9;
    tangent2 = tangent2 || std::fabs(p.points[k].station - 8.5 - arc) < 1e-9;
  }
  EXPECT_TRUE(tangent1 && tangent2);
}

TEST(PipelineProfile, BeyondTheSurveyThereIsNoGroundAndNoCover) {
  // The survey reaches x = 20; the run goes on to x = 50.
  Doc d;
  d.nodes = Pt(0, 0, 0) + "," + Pt(50, 0, 0);
  d.ground = Rows({{0, 2}, {20, 1.5}});
  const pipeline::Document doc = pipeline::ReadDocument(d.Text());
  const pipeline::Results r = pipeline::Compute(doc);
  EXPECT_FALSE(r.cover[1].known);
  for (const pipeline::ProfilePoint& q : r.profile.points)
    EXPECT_EQ(q.known, q.station <= 20 + 1e-9) << q.station;
  EXPECT_NEAR(r.profile.unknown_length, 30, 1e-9);
  EXPECT_NEAR(r.profile.least_cover, 1.4, 1e-9);  // at x = 20, not beyond
  EXPECT_NEAR(r.profile.least_at, 20, 1e-9);
  EXPECT_NE(pipeline::Summary(doc, r, L'.').find("; no ground over 30.0 m"),
            std::string::npos);
}

TEST(PipelineProfile, UnderARiverTheCoverIsDeepestMidCrossing) {
  // Banks at 12 m, a river bed at 8 m from x = 35 to 45; the pipe descends
  // from 10 m to a vertical bend at 1 m under mid-river and climbs back.
  // Legs of slope 9/40 (hypotenuse 41): the arc's middle lies R (41/40 - 1)
  // = 0.0375 m above the corner, so the top is at 1.1375 m there.
  Doc d;
  d.nodes = Pt(0, 0, 10) + "," + Pt(40, 0, 1) + "," + Pt(80, 0, 10);
  d.ground = Rows({{0, 12}, {20, 12}, {35, 8}, {45, 8}, {60, 12}, {80, 12}});
  const pipeline::Results r = Computed(d);
  const pipeline::Profile& p = r.profile;
  std::size_t deepest = 0;
  for (std::size_t k = 0; k < p.points.size(); ++k) {
    ASSERT_TRUE(p.points[k].known) << p.points[k].station;
    if (p.points[k].cover > p.points[deepest].cover) deepest = k;
  }
  EXPECT_EQ(deepest, p.node_point[1]);
  EXPECT_NEAR(p.points[deepest].station, r.total_length / 2, 1e-9);
  EXPECT_NEAR(p.points[deepest].cover, 8 - 1.1375, 1e-9);
  EXPECT_NEAR(p.least_cover, 1.9, 1e-9);  // at the two ends
  EXPECT_TRUE(p.low.empty());
}

TEST(PipelineProfile, AProfileStepOutOfRangeIsRefused) {
  const struct {
    const char* step;
    const char* says;  // empty: accepted
  } cases[] = {{"0.25", ""},
               {"0", "profile_step: 0 m is not more than 0"},
               {"1.5", "profile_step: 1.5 m is not"},
               {"1e-9", "takes more than"},
               {"\"fine\"", "profile_step: expected a number"}};
  for (const auto& c : cases) {
    Doc d = LShape();
    d.extra = std::string("\"profile_step\": ") + c.step;
    if (c.says[0] == '\0') {
      const pipeline::Results r = Computed(d);
      EXPECT_EQ(r.profile.step, 0.25);
      for (std::size_t k = 1; k < r.profile.points.size(); ++k) {
        EXPECT_LE(r.profile.points[k].station - r.profile.points[k - 1].station,
                  0.25 + 1e-12);
      }
    } else {
      EXPECT_NE(FaultOf(d).find(c.says), std::string::npos)
          << c.step << ": " << FaultOf(d);
    }
  }
}

TEST(PipelineFatigue, TheAllowableAmplitudeComesFromTheChosenCurve) {
  // Points of the curves' tables: curve 1 allows 30000 at 2000 cycles,
  // curve 2 allows 20000 at 36000 cycles.
  Doc d = LShape();
  pipeline::Results r = Computed(d);
  EXPECT_NEAR(r.allowable_amplitude, 30000, 1e-6);
  EXPECT_TRUE(r.fatigue_ok);
  d.fields.replace(d.fields.find("\"amplitude\": 29000"), 18,
                   "\"amplitude\": 31000");
  EXPECT_FALSE(Computed(d).fatigue_ok);
  d.fields.replace(d.fields.find("\"cycles\": 2000"), 14, "\"cycles\": 36000");
  d.extra = "\"fatigue_curve\": \"2\"";
  EXPECT_NEAR(Computed(d).allowable_amplitude, 20000, 1e-6);
}

TEST(PipelineFields, FormulasReadTheFieldsBeforeThem) {
  Doc d = LShape();
  d.fields.replace(d.fields.find("\"bend_radius\": 1.5"), 18,
                   "\"bend_radius\": \"7.5*#0\"");
  EXPECT_NEAR(Computed(d).field[pipeline::kBendRadius], 1.5, 1e-15);
}

TEST(PipelineFaults, EachBadDocumentGivesOneLineNamingTheFieldOrNode) {
  struct Case {
    const char* what;
    Doc doc;
    const char* says;
  };
  auto with_field = [](const char* from, const char* to) {
    Doc d = LShape();
    const std::size_t at = d.fields.find(from);
    d.fields.replace(at, std::string(from).size(), to);
    return d;
  };
  Doc one = LShape();
  one.nodes = Pt(0, 0, 0);
  Doc same = LShape();
  same.nodes = Pt(0, 0, 0) + "," + Pt(0, 0, 0) + "," + Pt(1, 1, 1);
  Doc text = LShape();
  text.nodes = Pt(0, 0, 0) + ", {\"x\": \"ten\", \"y\": 0, \"z\": 0}";
  Doc short_node = LShape();
  short_node.nodes = Pt(0, 0, 0) + ", {\"x\": 1, \"y\": 0}," + Pt(5, 5, 5);
  Doc misspelt_coord = LShape();
  misspelt_coord.nodes = Pt(0, 0, 0) + ", {\"x\": 1, \"y\": 0, \"zz\": 0}";
  Doc top = LShape();
  top.extra = "\"nodez\": [" + Pt(1, 2, 3) + "]";
  Doc no_bend = LShape();
  no_bend.extra = "\"split\": {\"1\": 0.5}";
  Doc beyond = LShape();
  beyond.extra = "\"split\": {\"2\": 9}";
  Doc bad_key = LShape();
  bad_key.extra = "\"split\": {\"two\": 1}";
  Case cases[] = {
      {"missing field", with_field("\"wall\": \"0.01\", ", ""),
       "fields: wall is missing"},
      {"misspelt field", with_field("\"wall\"", "\"wal\""),
       "fields: unknown field \"wal\""},
      {"division by zero", with_field("\"0.01\"", "\"1/0\""),
       "fields: wall: "
       "\xD0\x94\xD0\xB5\xD0\xBB\xD0\xB5\xD0\xBD\xD0\xB8\xD0\xB5"},
      {"unknown function", with_field("\"0.01\"", "\"Sin(0)\""),
       "fields: wall: Sin - "},
      {"reference ahead", with_field("\"0.01\"", "\"#3\""),
       "fields: wall: #3 does not name a field before this one"},
      // The engine reads "# 3" and "#+3" as #3, an intermediate value.
      {"reference ahead, spaced", with_field("\"0.01\"", "\"0.2*# 3\""),
       "fields: wall: #3 does not name a field before this one"},
      {"reference ahead, signed", with_field("\"0.01\"", "\"#+3/9\""),
       "fields: wall: #3 does not name a field before this one"},
      {"not finite", with_field("\"0.01\"", "\"sqrt(0-1)\""),
       "not a finite number"},
      {"no bore", with_field("\"0.01\"", "\"0.1\""),
       "fields: wall = 0.1 leaves no bore"},
      {"one node", one, "nodes: 1 node; a run needs at least two"},
      {"coincident nodes", same, "nodes 1 and 2 coincide"},
      {"text coordinate", text, "node 2: x is not a number (\"ten\")"},
      {"missing coordinate", short_node, "node 2: no z"},
      {"misspelt coordinate", misspelt_coord, "node 2: unknown field \"zz\""},
      {"unknown section", top, "unknown field \"x\" in \"nodez\""},
      {"split without bend", no_bend, "split 1: node 1 has no bend"},
      {"split beyond the arc", beyond,
       "split 2: 9 m is not inside the bend's arc"},
      {"split of no node", bad_key, "split: \"two\" is not a node number"},
  };
  for (const Case& c : cases) {
    const std::string fault = FaultOf(c.doc);
    EXPECT_NE(fault.find(c.says), std::string::npos) << c.what << ": " << fault;
    EXPECT_EQ(fault.find('\n'), std::string::npos) << c.what;
  }
  EXPECT_THROW(pipeline::ReadDocument(L"{\"fields\": "), pipeline::InputError);
  EXPECT_THROW(pipeline::DecodeUtf8("{\"a\": \"\xC3\x28\"}"),
               pipeline::InputError);
  EXPECT_THROW(pipeline::DecodeUtf8("\xED\xA0\x80"),
               pipeline::InputError);  // a surrogate
}

TEST(PipelineReport, NumbersUseTheGivenDecimalSeparator) {
  EXPECT_EQ(pipeline::FormatNumber(1234.5, 2, L','), "1234,50");
  EXPECT_EQ(pipeline::FormatNumber(-0.0001, 2, L'.'), "0.00");
  EXPECT_EQ(pipeline::FormatNumber(-2.5, 1, L'.'), "-2.5");
  EXPECT_EQ(pipeline::FormatNumber(3, 0, L','), "3");
  const pipeline::Document doc = pipeline::ReadDocument(LShape().Text());
  const std::string report =
      pipeline::Report(doc, pipeline::Compute(doc), "l.json", L',');
  EXPECT_NE(report.find("total                           19,356 m"),
            std::string::npos)
      << report;
}

TEST(PipelineDrawing, ThePlanShowsXToTheRightAndYUpTheScreen) {
  // The first leg runs along +x, the second along +y: on the screen the
  // first goes right and the second up (y decreasing).
  const pipeline::Document doc = pipeline::ReadDocument(LShape().Text());
  const pipeline::Results res = pipeline::Compute(doc);
  CRecordingDC dc;
  pipeline::Draw(doc, res, pipeline::View::kPlan, dc);
  // The legs are the two lines drawn with the pipe's pen, after the frame's
  // four: find them as the first two lines that start with a MoveTo.
  std::vector<CRecordingDC::Step> legs;
  const auto& steps = dc.Steps();
  for (std::size_t i = 5; i + 1 < steps.size() && legs.size() < 2; ++i) {
    if (steps[i].op == CRecordingDC::Op::kMoveTo &&
        steps[i + 1].op == CRecordingDC::Op::kLineTo) {
      legs.push_back(steps[i + 1]);
    }
  }
  ASSERT_EQ(legs.size(), 2u);
  EXPECT_GT(legs[0].to.x, legs[0].from.x);
  EXPECT_EQ(legs[0].to.y, legs[0].from.y);
  EXPECT_LT(legs[1].to.y, legs[1].from.y);
  EXPECT_EQ(legs[1].to.x, legs[1].from.x);
}

TEST(PipelineDrawing, ARunInSurveyCoordinatesIsDrawnAboutItsCentre) {
  // Survey coordinates of millions of metres, and one survey point 1000 km
  // away: the drawing keeps the run's own size and leaves that point out.
  Doc d;
  d.nodes = Pt(5e6, 6e6, 100) + "," + Pt(5e6 + 10, 6e6, 100) + "," +
            Pt(5e6 + 10, 6e6 + 10, 100);
  d.ground = Pt(5e6, 6e6, 101) + "," + Pt(5e6 + 10, 6e6, 101) + "," +
             Pt(5e6, 6e6 + 10, 101) + "," + Pt(6e6, 6e6, 101);
  const pipeline::Document doc = pipeline::ReadDocument(d.Text());
  const pipeline::Results res = pipeline::Compute(doc);
  CSvgDC dc;
  pipeline::Draw(doc, res, pipeline::View::kBoth, dc);
  const CRect e = dc.GetExtent();
  EXPECT_LT(e.Width(), 4000);
  EXPECT_LT(e.Height(), 4000);
  EXPECT_GT(e.Width(), 700);
}

// The first and last point of the first path drawn in `colour` inside the
// group `id` of an SVG document.
struct Ends {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool found = false;
};
Ends PathEnds(const std::string& svg, const std::string& id,
              const std::string& colour) {
  Ends e;
  const std::size_t g = svg.find("<g id=\"" + id + "\">");
  if (g == std::string::npos) return e;
  const std::size_t end = svg.find("</g>", g);
  const std::size_t at = svg.find("stroke=\"" + colour + "\"", g);
  if (at == std::string::npos || at > end) return e;
  const std::size_t d = svg.find(" d=\"M", at) + 5;
  std::string data = svg.substr(d, svg.find('"', d) - d);
  const std::size_t move = data.find('M', 1);  // the first sub-path only
  if (move != std::string::npos) data.resize(move);
  for (char& c : data) c = (c == 'L') ? ' ' : c;
  std::vector<double> v;
  std::size_t pos = 0;
  while (pos < data.size()) {
    std::size_t used = 0;
    v.push_back(std::stod(data.substr(pos), &used));
    pos += used;
    while (pos < data.size() && data[pos] == ' ') ++pos;
  }
  if (v.size() < 4) return e;
  e = Ends{v[0], v[1], v[v.size() - 2], v[v.size() - 1], true};
  return e;
}

TEST(PipelineDrawing, TheProfileDrawsLevelsAtTheExaggerationTimesThePlanScale) {
  // A straight 100 m run falling 1 m: the plan draws it 720 units long, so
  // 7.2 units a metre; the profile's pipe falls 1 m at 10 (or 20) times that.
  Doc d;
  d.nodes = Pt(0, 0, 10) + "," + Pt(100, 0, 9);
  d.ground = Rows({{0, 12}, {100, 12}});
  const pipeline::Document doc = pipeline::ReadDocument(d.Text());
  const pipeline::Results res = pipeline::Compute(doc);
  for (double exaggeration : {10.0, 20.0}) {
    pipeline::DrawOptions options;
    options.exaggeration = exaggeration;
    const std::string svg = pipeline::DrawSvg(doc, res, options, L"t");
    const Ends plan = PathEnds(svg, "plan", "#1f5fbf");
    const Ends pipe = PathEnds(svg, "profile", "#1f5fbf");
    const Ends ground = PathEnds(svg, "profile", "#8c5628");
    ASSERT_TRUE(plan.found && pipe.found && ground.found) << svg;
    EXPECT_NE(svg.find("<g id=\"iso\">"), std::string::npos);
    EXPECT_EQ(plan.x1 - plan.x0, 720);
    EXPECT_EQ(pipe.x1 - pipe.x0, 720);  // chainage at the plan's scale
    EXPECT_NEAR(pipe.y1 - pipe.y0, 7.2 * exaggeration, 1.0);  // downwards
    EXPECT_EQ(ground.y1, ground.y0);                          // level ground
  }
}

// Ground 900 000 km up (as far as a document may place it): its points, and the
// marks and labels placed a few units from them, were computed past the range
// of an int. They stay at the edge of what any sheet shows.
TEST(PipelineDrawing, GroundFarOffTheSheetIsDrawnWithinIt) {
  Doc d;
  d.nodes = Pt(0, 0, 0) + "," + Pt(100, 0, 0);
  d.ground = Rows({{0, 9e8}, {100, 9e8}});
  const pipeline::Document doc = pipeline::ReadDocument(d.Text());
  const pipeline::Results res = pipeline::Compute(doc);
  const std::string svg =
      pipeline::DrawSvg(doc, res, pipeline::DrawOptions(), L"t");
  ASSERT_NE(svg.find("<g id=\"profile\">"), std::string::npos);
  // Every coordinate of the drawing (every number in it) below 10^8.
  for (size_t i = 0; i < svg.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(svg[i]))) continue;
    size_t end = i;
    while (end < svg.size() &&
           std::isdigit(static_cast<unsigned char>(svg[end])))
      ++end;
    EXPECT_LE(end - i, 8u) << svg.substr(i, end - i);
    i = end;
  }
}

// A 0.1 mm run of a 500 m pipe: at the plan's scale and 10x its profile was
// 2^31 units tall, past an int, and the drawing 124 MB. It is drawn at the
// exaggeration that fits, and says so.
TEST(PipelineDrawing,
     AProfileTallerThanASheetIsDrawnAtTheExaggerationThatFits) {
  Doc d;
  d.fields.replace(d.fields.find("\"0.2\""), 5, "\"500\"");
  d.nodes = Pt(0, 0, 0) + "," + Pt(1e-4, 0, 0);
  d.ground = Rows({{-1, 1}, {1, 1}});
  const pipeline::Document doc = pipeline::ReadDocument(d.Text());
  const pipeline::Results res = pipeline::Compute(doc);
  const std::string svg =
      pipeline::DrawSvg(doc, res, pipeline::DrawOptions(), L"t");
  const std::size_t at = svg.find(" height=\"");
  ASSERT_NE(at, std::string::npos);
  EXPECT_LT(std::stol(svg.substr(at + 9)), 50000) << svg.substr(0, 300);
  EXPECT_EQ(svg.find("exaggerated 10x"), std::string::npos);
  EXPECT_LT(svg.size(), 1000000u);
}

TEST(PipelineReport, TheLargestNumbersAreWrittenInFull) {
  const std::string max =
      pipeline::FormatNumber(1.7976931348623157e308, 3, L'.');
  EXPECT_EQ(max.size(), 309u + 4u);
  EXPECT_EQ(max.substr(0, 5), "17976");
  EXPECT_EQ(max.substr(max.size() - 4), ".000");
}

}  // namespace
