// Clipping of a line segment to the unit square [0, 1] x [0, 1], the chart's
// plot area in normalised coordinates (0 at the axis minimum, 1 at its
// maximum).
#pragma once

// A segment from (U0, V0) to (U1, V1). ClipToUnitSquare shortens it to the
// part inside the square (Liang-Barsky). The inputs must be finite.
struct TLineSegment {
  double U0 = 0.0;
  double V0 = 0.0;
  double U1 = 0.0;
  double V1 = 0.0;
};

struct TClippedSegment {
  bool Visible = false;       // some part of the segment lies in the square
  bool StartClipped = false;  // the start was moved onto the square's edge
  bool EndClipped = false;    // the end was moved onto the square's edge
  TLineSegment Segment;       // the visible part, every coordinate in [0, 1]
};

TClippedSegment ClipToUnitSquare(const TLineSegment& segment);
