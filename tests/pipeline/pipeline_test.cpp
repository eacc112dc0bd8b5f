// The pipeline host's stages against values worked out by hand: lengths of
// bends fitted into corners, weight, soil cover on planes, fatigue, nodes
// inserted on bends, and one clear fault for each kind of bad document.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

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

TEST(PipelineReport, TheLargestNumbersAreWrittenInFull) {
  const std::string max =
      pipeline::FormatNumber(1.7976931348623157e308, 3, L'.');
  EXPECT_EQ(max.size(), 309u + 4u);
  EXPECT_EQ(max.substr(0, 5), "17976");
  EXPECT_EQ(max.substr(max.size() - 4), ".000");
}

}  // namespace
