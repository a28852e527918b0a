#include "LineClip.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct ClipCase {
  const char* Name;
  TLineSegment In;
  bool Visible;
  bool StartClipped;
  bool EndClipped;
  TLineSegment Out;  // checked when visible
};

// Worked by hand: the line u + v = 1.5 meets u = 1 at v = 0.5, and so on.
const ClipCase Cases[] = {
    {"inside", {0.1, 0.2, 0.9, 0.8}, true, false, false, {0.1, 0.2, 0.9, 0.8}},
    {"on the corners", {0.0, 0.0, 1.0, 1.0}, true, false, false, {0.0, 0.0, 1.0, 1.0}},
    {"leaves right", {0.5, 0.5, 1.5, 0.5}, true, false, true, {0.5, 0.5, 1.0, 0.5}},
    {"enters left", {-1.0, 0.25, 0.5, 0.25}, true, true, false, {0.0, 0.25, 0.5, 0.25}},
    {"leaves top", {0.5, 0.5, 0.75, 1.5}, true, false, true, {0.5, 0.5, 0.625, 1.0}},
    {"enters bottom", {0.2, -0.6, 0.4, 0.4}, true, true, false, {0.32, 0.0, 0.4, 0.4}},
    {"crosses both sides", {-1.0, 0.5, 2.0, 0.5}, true, true, true, {0.0, 0.5, 1.0, 0.5}},
    {"cuts a corner", {0.5, 1.0, 1.0, 0.5}, true, false, false, {0.5, 1.0, 1.0, 0.5}},
    {"diagonal through", {-0.5, 1.0, 1.0, -0.5}, true, true, true, {0.0, 0.5, 0.5, 0.0}},
    {"far out, steep", {0.5, 0.5, 0.5001, 1.0e6}, true, false, true, {0.5, 0.5, 0.5 + 0.0001 * 0.5 / (1.0e6 - 0.5), 1.0}},
    {"above", {0.1, 1.1, 0.9, 1.2}, false, false, false, {}},
    {"left, parallel", {-0.5, 0.0, -0.5, 1.0}, false, false, false, {}},
    {"misses the corner", {0.8, 1.5, 1.5, 0.8}, false, false, false, {}},
    {"a point inside", {0.3, 0.3, 0.3, 0.3}, true, false, false, {0.3, 0.3, 0.3, 0.3}},
    {"a point outside", {1.3, 0.3, 1.3, 0.3}, false, false, false, {}},
    {"far on both sides", {-1.0e6, -1.0e6, 1.0e6 + 1.0, 1.0e6 + 1.0}, true, true, true, {0.0, 0.0, 1.0, 1.0}},
};

TEST(LineClip, TableOfSegments) {
  for (const ClipCase& c : Cases) {
    SCOPED_TRACE(c.Name);
    const TClippedSegment r = ClipToUnitSquare(c.In);
    ASSERT_EQ(r.Visible, c.Visible);
    if (!c.Visible) continue;
    EXPECT_EQ(r.StartClipped, c.StartClipped);
    EXPECT_EQ(r.EndClipped, c.EndClipped);
    const double tolerance = 1e-12;
    EXPECT_NEAR(r.Segment.U0, c.Out.U0, tolerance);
    EXPECT_NEAR(r.Segment.V0, c.Out.V0, tolerance);
    EXPECT_NEAR(r.Segment.U1, c.Out.U1, tolerance);
    EXPECT_NEAR(r.Segment.V1, c.Out.V1, tolerance);
    for (const double coordinate : {r.Segment.U0, r.Segment.V0, r.Segment.U1, r.Segment.V1}) {
      EXPECT_GE(coordinate, 0.0);
      EXPECT_LE(coordinate, 1.0);
    }
  }
}

TEST(LineClip, UnclippedEndsAreKeptExactly) {
  const TLineSegment in{0.1234567890123, 0.9876543210987, 3.0, 0.5};
  const TClippedSegment r = ClipToUnitSquare(in);
  ASSERT_TRUE(r.Visible);
  EXPECT_FALSE(r.StartClipped);
  EXPECT_EQ(r.Segment.U0, in.U0);
  EXPECT_EQ(r.Segment.V0, in.V0);
}

}  // namespace
