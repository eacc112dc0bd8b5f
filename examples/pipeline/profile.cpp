// The longitudinal profile: the chainage of every axis point, straight
// parts and bend arcs alike, the ground and cover at samples along the
// whole route, and the stretches where the cover is short.
#include "profile.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "values.h"

namespace pipeline {

namespace {

// The sampling step unless the document sets a shorter one.
constexpr double kDefaultStep = 1.0;  // m
// A bend's arc is cut into at least this many pieces, so that a vertical
// bend is drawn as an arc however short it is.
constexpr int kArcPieces = 4;
// The most samples one profile takes (about 1.1 GiB of them): a longer
// route, or a finer step, is refused rather than left to exhaust memory.
constexpr double kMaxSamples = 2e7;
// Offsets along an arc closer than this are one sample.
constexpr double kSameOffset = 1e-9;  // m

// The profile's step, checked; throws InputError.
double StepOf(const Document& doc, double length, std::size_t nodes) {
  double step = kDefaultStep;
  if (doc.profile_step_given) {
    step = doc.profile_step;
    if (!(step > 0 && step <= kDefaultStep)) {
      throw InputError("profile_step: " + Number(step) +
                       " m is not more than 0 and at most 1 m");
    }
  }
  const double samples =
      length / step + static_cast<double>(nodes) * (kArcPieces + 3);
  if (!(samples <= kMaxSamples)) {
    throw InputError("profile_step: " + Number(step) + " m along " +
                     Number(length) + " m takes more than " +
                     Number(kMaxSamples) + " samples");
  }
  return step;
}

class Sampler {
 public:
  Sampler(const Survey* survey, double half, Profile* out)
      : survey_(survey), half_(half), out_(out) {}

  // Appends the sample of axis point p at `station`; returns its index.
  std::size_t Add(const Point3& p, double station) {
    ProfilePoint s;
    s.station = station;
    s.axis = p;
    const double top = p.z + half_;
    if (survey_ != nullptr && survey_->CoverAt(p, top, &s.cover)) {
      s.known = true;
      s.ground = s.cover + top;
    }
    out_->points.push_back(s);
    return out_->points.size() - 1;
  }

  // Samples the straight from the last sample to `to`, `length` m long, in
  // equal pieces no longer than the step; the last sample is `to`.
  std::size_t Straight(const Point3& to, double length) {
    const SPointD from = P(out_->points.back().axis), end = P(to);
    const double start = out_->points.back().station;
    const long pieces =
        std::max(1L, static_cast<long>(std::ceil(length / out_->step)));
    for (long j = 1; j < pieces; ++j) {
      SPointD p;
      const double a = static_cast<double>(j),
                   b = static_cast<double>(pieces - j);
      GetInsidePoint(&p, a, b, from, end);
      Add(Q(p), start + length * a / (a + b));
    }
    return Add(to, start + length);
  }

 private:
  const Survey* survey_;
  double half_;
  Profile* out_;
};

// The samples of the fitted bend at corner i, after its first tangent
// point: in pieces no longer than the step (at least kArcPieces), through
// the arc's middle and the inserted node, if any. Sets the node's sample
// and the inserted node's station.
void SampleArc(const Document& doc, const Bend& bend, double R, Split* split,
               Sampler* sampler, Profile* profile) {
  const std::size_t i = static_cast<std::size_t>(bend.node);
  const double start = profile->points.back().station;
  profile->node_point[i] = profile->points.size() - 1;
  std::vector<double> keys = {bend.arc / 2, bend.arc};
  if (split != nullptr) keys.push_back(split->at);
  std::sort(keys.begin(), keys.end());
  const double step = std::min(profile->step, bend.arc / kArcPieces);
  std::vector<double> offsets;
  double from = 0;
  for (double key : keys) {
    if (key - from < kSameOffset) continue;
    const long pieces =
        std::max(1L, static_cast<long>(std::ceil((key - from) / step)));
    for (long j = 1; j <= pieces; ++j)
      offsets.push_back(from + (key - from) * static_cast<double>(j) /
                                   static_cast<double>(pieces));
    from = key;
  }
  // Points along the arc by the library, each at its angle from the first
  // tangent point; the last is the second tangent point.
  std::vector<double> angles;
  for (std::size_t k = 0; k + 1 < offsets.size(); ++k)
    angles.push_back(offsets[k] / R);
  std::vector<SPointD> pts(offsets.size() + 1);
  SPointD a = P(doc.nodes[i - 1]), b = P(doc.nodes[i]), c = P(doc.nodes[i + 1]);
  if (!TraceArc(R, a, b, c, angles.data(), static_cast<int>(pts.size()),
                pts.data(), nullptr)) {
    pts.assign(offsets.size() + 1, P(bend.t2));  // cannot happen for a fit
  }
  for (std::size_t k = 0; k < offsets.size(); ++k) {
    const std::size_t at = sampler->Add(Q(pts[k + 1]), start + offsets[k]);
    if (std::fabs(offsets[k] - bend.arc / 2) < kSameOffset)
      profile->node_point[i] = at;
  }
  // Set directly, not from the sample it matches: a node inserted within
  // kSameOffset of the first tangent point has no sample of its own.
  if (split != nullptr) split->station = start + split->at;
}

// The stretches below the least cover, the least cover and the length of
// route without ground, from the samples.
void FindLowCover(double min_cover, Profile* profile) {
  const std::vector<ProfilePoint>& pts = profile->points;
  bool open = false;
  for (std::size_t k = 0; k < pts.size(); ++k) {
    const ProfilePoint& p = pts[k];
    if (k > 0 && !(p.known && pts[k - 1].known))
      profile->unknown_length += p.station - pts[k - 1].station;
    if (p.known && (!profile->any_known || p.cover < profile->least_cover)) {
      profile->least_cover = p.cover;
      profile->least_at = p.station;
    }
    profile->any_known = profile->any_known || p.known;
    const bool low = p.known && p.cover < min_cover;
    if (low && !open)
      profile->low.push_back(
          LowStretch{p.station, p.station, p.cover, p.station});
    if (low) {
      LowStretch& s = profile->low.back();
      s.to = p.station;
      if (p.cover < s.least) {
        s.least = p.cover;
        s.at = p.station;
      }
    }
    open = low;
  }
}

}  // namespace

void ComputeProfile(const Document& doc, const std::vector<int>& bend_at,
                    const Survey* survey, Results* res) {
  Profile& profile = res->profile;
  const std::size_t n = doc.nodes.size();
  profile.step = StepOf(doc, res->total_length, n);
  profile.points.reserve(static_cast<std::size_t>(
      res->total_length / profile.step + static_cast<double>(n) * 6));
  profile.node_point.assign(n, 0);
  std::vector<Split*> split_at(n, nullptr);
  for (Split& s : res->splits) split_at[static_cast<std::size_t>(s.node)] = &s;
  Sampler sampler(survey, res->field[kOuterDiameter] / 2, &profile);
  auto bend = [&](std::size_t i) -> const Bend* {
    return bend_at[i] < 0 ? nullptr
                          : &res->bends[static_cast<std::size_t>(bend_at[i])];
  };
  sampler.Add(doc.nodes[0], 0.0);
  for (std::size_t i = 0; i + 1 < n; ++i) {
    // The leg from node i, or the end of its bend, to node i + 1, or the
    // start of its bend; then that bend.
    const Bend* leaving = bend(i);
    const Bend* reaching = bend(i + 1);
    const double length = Distance(P(doc.nodes[i]), P(doc.nodes[i + 1])) -
                          (leaving ? leaving->tangent : 0) -
                          (reaching ? reaching->tangent : 0);
    const std::size_t end =
        sampler.Straight(reaching ? reaching->t1 : doc.nodes[i + 1], length);
    if (reaching == nullptr) {
      profile.node_point[i + 1] = end;
      continue;
    }
    SampleArc(doc, *reaching, res->field[kBendRadius], split_at[i + 1],
              &sampler, &profile);
  }
  FindLowCover(res->field[kMinCover], &profile);
  for (std::size_t at : profile.node_point) {
    const ProfilePoint& p = profile.points[at];
    if (p.known && p.cover < res->field[kMinCover]) ++profile.low_nodes;
  }
}

}  // namespace pipeline
