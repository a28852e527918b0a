#include "LineClip.h"

#include <algorithm>

namespace {

// One edge of the square: the segment is inside where p * t <= q. Narrows
// [t0, t1] and returns false once nothing is left.
bool ClipEdge(double p, double q, double& t0, double& t1) {
  if (p == 0.0) return q >= 0.0;  // parallel to the edge: all in or all out
  const double r = q / p;
  if (p < 0.0) {
    if (r > t1) return false;
    t0 = std::max(t0, r);
  } else {
    if (r < t0) return false;
    t1 = std::min(t1, r);
  }
  return true;
}

double Unit(double value) { return std::clamp(value, 0.0, 1.0); }

}  // namespace

TClippedSegment ClipToUnitSquare(const TLineSegment& s) {
  const double du = s.U1 - s.U0;
  const double dv = s.V1 - s.V0;
  double t0 = 0.0;
  double t1 = 1.0;
  TClippedSegment result;
  if (!ClipEdge(-du, s.U0, t0, t1) || !ClipEdge(du, 1.0 - s.U0, t0, t1) ||
      !ClipEdge(-dv, s.V0, t0, t1) || !ClipEdge(dv, 1.0 - s.V0, t0, t1)) {
    return result;
  }
  result.Visible = true;
  result.StartClipped = t0 > 0.0;
  result.EndClipped = t1 < 1.0;
  // Rounding may leave a clipped end a hair outside; the edge is the answer.
  result.Segment.U0 = Unit(result.StartClipped ? s.U0 + t0 * du : s.U0);
  result.Segment.V0 = Unit(result.StartClipped ? s.V0 + t0 * dv : s.V0);
  result.Segment.U1 = Unit(result.EndClipped ? s.U0 + t1 * du : s.U1);
  result.Segment.V1 = Unit(result.EndClipped ? s.V0 + t1 * dv : s.V1);
  return result;
}
