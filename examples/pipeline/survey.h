// The ground surface of a pipe run, from its survey points: the level above
// any plan position that the survey reaches, through the library's soil
// surface over the three nearest points.
#ifndef MATRIX_EXAMPLES_PIPELINE_SURVEY_H_
#define MATRIX_EXAMPLES_PIPELINE_SURVEY_H_

#include <memory>
#include <vector>

#include "run.h"

namespace pipeline {

class Survey {
 public:
  // Indexes `points` (kept by reference: they must outlive the survey).
  explicit Survey(const std::vector<Point3>& points);
  ~Survey();
  Survey(const Survey&) = delete;
  Survey& operator=(const Survey&) = delete;

  // True when a plan position lies inside the survey's plan extent (the
  // convex hull of its points, its edge included).
  bool Reaches(double x, double y) const;

  // The cover at the plan position of `at`: the soil surface through the
  // three nearest survey points less `top` (the level of the pipe's top),
  // in m. False, *cover untouched, where the survey does not reach or the
  // surface gives no finite level. With one survey point the surface is
  // level; two, or three nearest that lie nearly in one line in plan, are
  // taken as the line between the two farthest apart, level across it.
  bool CoverAt(const Point3& at, double top, double* cover) const;

 private:
  class Index;
  class Extent;
  const std::vector<Point3>& points_;
  std::unique_ptr<const Index> index_;
  std::unique_ptr<const Extent> extent_;
};

}  // namespace pipeline

#endif  // MATRIX_EXAMPLES_PIPELINE_SURVEY_H_
