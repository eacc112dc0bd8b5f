// The longitudinal profile of a computed run: stations along the axis, the
// ground and the cover sampled along the whole route.
#ifndef MATRIX_EXAMPLES_PIPELINE_PROFILE_H_
#define MATRIX_EXAMPLES_PIPELINE_PROFILE_H_

#include <vector>

#include "run.h"
#include "survey.h"

namespace pipeline {

// Fills res->profile and the splits' stations from the run's nodes, its
// fitted bends (bend_at: per node the index of its fitted bend in
// res->bends, or -1) and the survey (null: no ground anywhere). Samples
// every node, every tangent point and at most every profile step between.
// Throws InputError for a profile step out of range or one that would take
// more samples than a profile holds.
void ComputeProfile(const Document& doc, const std::vector<int>& bend_at,
                    const Survey* survey, Results* res);

}  // namespace pipeline

#endif  // MATRIX_EXAMPLES_PIPELINE_PROFILE_H_
