// What the pipeline host's stages share: the library's point record for a
// point of the run and back, and a number written for a fault message.
#ifndef MATRIX_EXAMPLES_PIPELINE_VALUES_H_
#define MATRIX_EXAMPLES_PIPELINE_VALUES_H_

#include <cstdio>
#include <string>

#include "run.h"

namespace pipeline {

inline SPointD P(const Point3& p) { return SPointD(p.x, p.y, p.z); }
inline Point3 Q(const SPointD& p) { return Point3{p.x, p.y, p.z}; }

// Six significant digits, as a fault message shows a value.
inline std::string Number(double v) {
  char text[40];
  std::snprintf(text, sizeof text, "%.6g", v);
  return text;
}

}  // namespace pipeline

#endif  // MATRIX_EXAMPLES_PIPELINE_VALUES_H_
