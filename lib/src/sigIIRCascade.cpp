// Pairing, ordering and scaling of the second-order sections; the rules are
// in the header.
#include "sigIIRCascade.h"

#include <algorithm>
#include <cmath>

#include "sigIIRProcess.h"
#include "sigWideExtended.h"
#include "tessaro/sigcomplex.h"

namespace tessaro {

namespace {

constexpr int MaxRoots = 2 * MaxSections;

// A real root, or a conjugate pair given by its upper member.
struct Unit {
  TsigComplex Root;
  bool Pair = false;
};

struct Units {
  std::array<Unit, MaxRoots> Items{};
  int Count = 0;
};

Extended CircleDistance(TsigComplex z) { return std::fabs(1.0L - Magnitude(z)); }

// Groups roots into real ones and conjugate pairs. The design's real roots
// are real only to rounding (sin π is not 0 in extended precision), and
// the members of its pairs are each other's conjugates only to rounding.
// Taking the roots in decreasing order of |Im|, a root's partner is the
// remaining root nearest its conjugate, unless the root is nearer its own
// conjugate, 2|Im|, than that: then it is real. A pair becomes the mean of
// its members, a real root its real part.
Units GroupConjugates(const std::array<TsigComplex, PoleZeroCapacity>& roots, int count) {
  std::array<int, MaxRoots> order{};
  for (int i = 0; i < count; ++i) order[i] = i;
  std::stable_sort(order.begin(), order.begin() + count, [&roots](int x, int y) {
    return std::fabs(roots[x].Im) > std::fabs(roots[y].Im);
  });
  Units units;
  std::array<bool, MaxRoots> used{};
  for (int n = 0; n < count; ++n) {
    const int i = order[n];
    if (used[i]) continue;
    used[i] = true;
    const TsigComplex z = roots[i];
    int partner = -1;
    Extended nearest = INFINITY;
    for (int j = 0; j < count; ++j) {
      if (used[j]) continue;
      const Extended d = Magnitude(Subtract(roots[j], Conjugate(z)));
      if (d < nearest) {
        nearest = d;
        partner = j;
      }
    }
    if (partner < 0 || 2.0L * std::fabs(z.Im) <= nearest) {
      units.Items[units.Count++] = {MakeComplex(z.Re, 0.0L), false};
      continue;
    }
    used[partner] = true;
    const TsigComplex w = roots[partner];
    units.Items[units.Count++] = {
        MakeComplex((z.Re + w.Re) * 0.5L, (std::fabs(z.Im) + std::fabs(w.Im)) * 0.5L), true};
  }
  return units;
}

// The poles of one section before it is built.
struct Group {
  std::int32_t Order = 0;
  std::array<TsigComplex, 2> Poles{};
  std::array<TsigComplex, 2> Zeros{};
  std::int32_t ZeroCount = 0;
  Extended Distance = 0.0L;  // of the pole nearest the unit circle
};

// Takes from zeros the ones nearest the group's first pole.
void AssignZeros(Group& group, Units& zeros) {
  const TsigComplex target = group.Poles[0];
  auto remove = [&zeros](int index) {
    zeros.Items[index] = zeros.Items[zeros.Count - 1];
    --zeros.Count;
  };
  auto nearest = [&](bool pair) {
    int best = -1;
    Extended distance = INFINITY;
    for (int i = 0; i < zeros.Count; ++i) {
      if (zeros.Items[i].Pair != pair) continue;
      const Extended d = Magnitude(Subtract(zeros.Items[i].Root, target));
      if (d < distance) {
        distance = d;
        best = i;
      }
    }
    return std::pair<int, Extended>(best, distance);
  };
  int reals = 0;
  for (int i = 0; i < zeros.Count; ++i) reals += zeros.Items[i].Pair ? 0 : 1;
  const auto [pair, pairDistance] = nearest(true);
  const auto [real, realDistance] = nearest(false);
  if (group.Order == 2 && pair >= 0 && (reals < 2 || pairDistance <= realDistance)) {
    group.Zeros = {zeros.Items[pair].Root, Conjugate(zeros.Items[pair].Root)};
    group.ZeroCount = 2;
    remove(pair);
    return;
  }
  for (int taken = 0; taken < group.Order; ++taken) {
    const int index = nearest(false).first;
    if (index < 0) return;
    group.Zeros[group.ZeroCount++] = zeros.Items[index].Root;
    remove(index);
  }
}

// Monic z² + c1·z + c2 (or z + c1) of a section's roots: -(sum), product.
void MonicCoefficients(const std::array<TsigComplex, 2>& roots, int count, bool pair,
                       Extended& c1, Extended& c2) {
  c1 = 0.0L;
  c2 = 0.0L;
  if (count == 0) return;
  if (pair) {
    c1 = -2.0L * roots[0].Re;
    c2 = roots[0].Re * roots[0].Re + roots[0].Im * roots[0].Im;
  } else if (count == 2) {
    c1 = -(roots[0].Re + roots[1].Re);
    c2 = roots[0].Re * roots[1].Re;
  } else {
    c1 = -roots[0].Re;
  }
}

// (B0·z² + B1·z + B2)/(z² - A1·z - A2), or its first-order form.
TsigComplex SectionResponse(const IIRSection& s, TsigComplex z) {
  const TsigComplex one = MakeComplex(1.0L, 0.0L);
  if (s.Order == 1)
    return Divide(Add(Scale(z, s.B0), MakeComplex(s.B1, 0.0L)),
                  Subtract(z, MakeComplex(s.A1, 0.0L)));
  const TsigComplex z2 = Multiply(z, z);
  const TsigComplex top = Add(Add(Scale(z2, s.B0), Scale(z, s.B1)), Scale(one, s.B2));
  const TsigComplex bottom = Subtract(Subtract(z2, Scale(z, s.A1)), Scale(one, s.A2));
  return Divide(top, bottom);
}

// 1 / the largest gain among 0 Hz, Nyquist and the pole's angle; 1 where
// that is not a finite positive number.
Extended PeakNormaliser(const IIRSection& s) {
  const Extended angle = std::atan2(s.Poles[0].Im, s.Poles[0].Re);
  Extended peak = 0.0L;
  const TsigComplex points[] = {MakeComplex(1.0L, 0.0L), MakeComplex(-1.0L, 0.0L),
                                ExpImaginary(angle)};
  for (const TsigComplex z : points)
    peak = std::max(peak, Magnitude(SectionResponse(s, z)));
  return std::isfinite(peak) && peak > 0.0L ? 1.0L / peak : 1.0L;
}

}  // namespace

IIRCascade BuildCascade(const PoleZeroSet& zplane, Extended gain) {
  const int poleCount = std::min<int>(zplane.PoleCount, MaxRoots);
  const int zeroCount = std::min<int>(zplane.ZeroCount, MaxRoots);
  const Units poles = GroupConjugates(zplane.Poles, poleCount);
  Units zeros = GroupConjugates(zplane.Zeros, zeroCount);

  // Pole groups: each conjugate pair, then the real poles two by two in
  // order of their distance from the unit circle.
  std::array<Group, MaxSections + 1> groups{};
  int groupCount = 0;
  std::array<TsigComplex, MaxRoots> reals{};
  int realCount = 0;
  for (int i = 0; i < poles.Count; ++i) {
    const Unit& u = poles.Items[i];
    if (!u.Pair) {
      reals[realCount++] = u.Root;
      continue;
    }
    Group& g = groups[groupCount++];
    g.Order = 2;
    g.Poles = {u.Root, Conjugate(u.Root)};
    g.Distance = CircleDistance(u.Root);
  }
  std::stable_sort(reals.begin(), reals.begin() + realCount, [](TsigComplex x, TsigComplex y) {
    return CircleDistance(x) < CircleDistance(y);
  });
  for (int i = 0; i < realCount; i += 2) {
    Group& g = groups[groupCount++];
    g.Order = i + 1 < realCount ? 2 : 1;
    g.Poles = {reals[i], i + 1 < realCount ? reals[i + 1] : TsigComplex{}};
    g.Distance = CircleDistance(reals[i]);
  }

  // Zeros go to the groups nearest the unit circle first.
  std::stable_sort(groups.begin(), groups.begin() + groupCount,
                   [](const Group& x, const Group& y) { return x.Distance < y.Distance; });
  for (int i = 0; i < groupCount; ++i) AssignZeros(groups[i], zeros);

  // Sections run farthest first.
  IIRCascade cascade;
  cascade.SectionCount = groupCount;
  for (int i = 0; i < groupCount; ++i) {
    const Group& g = groups[groupCount - 1 - i];
    IIRSection& s = cascade.Sections[i];
    s.Order = g.Order;
    s.Poles = g.Poles;
    s.Zeros = g.Zeros;
    const bool polePair = g.Order == 2 && g.Poles[1].Im != 0.0L;
    const bool zeroPair = g.ZeroCount == 2 && g.Zeros[1].Im != 0.0L;
    Extended c1, c2;
    MonicCoefficients(g.Poles, g.Order, polePair, c1, c2);
    s.A1 = -c1;
    s.A2 = -c2;
    MonicCoefficients(g.Zeros, g.ZeroCount, zeroPair, c1, c2);
    // A section with fewer zeros than poles (no design makes one) has its
    // missing zeros at the origin.
    if (g.Order == 2 && g.ZeroCount == 1) {
      c2 = 0.0L;
      c1 = -g.Zeros[0].Re;
    }
    if (g.ZeroCount == 0) c1 = c2 = 0.0L;
    s.B0 = 1.0L;
    s.B1 = c1;
    s.B2 = c2;
  }

  // Unit peak for every section, then the rest of the overall gain shared
  // evenly, so that the level rises or falls steadily along the cascade.
  std::array<Extended, MaxSections> scale{};
  Extended rest = gain;
  for (int i = 0; i < groupCount; ++i) {
    scale[i] = PeakNormaliser(cascade.Sections[i]);
    rest /= scale[i];
  }
  const Extended share = groupCount > 0 ? std::pow(rest, 1.0L / groupCount) : 1.0L;
  if (std::isfinite(share) && share > 0.0L) {
    for (int i = 0; i < groupCount; ++i) scale[i] *= share;
  } else if (groupCount > 0) {
    scale[0] *= rest;
  }
  for (int i = 0; i < groupCount; ++i) {
    IIRSection& s = cascade.Sections[i];
    s.B0 = scale[i];
    s.B1 = scale[i] * s.B1;
    s.B2 = scale[i] * s.B2;
  }
  return cascade;
}

Extended PoleZeroScale(const PoleZeroSet& zplane, TsigIIRFilterResponse response, Extended a1,
                       Extended a2) {
  auto gain = [&zplane](TsigComplex at) {
    TsigComplex h = MakeComplex(1.0L, 0.0L);
    const int n = std::max(zplane.PoleCount, zplane.ZeroCount);
    for (int i = 0; i < n; ++i) {
      if (i < zplane.ZeroCount) h = Multiply(h, Subtract(at, zplane.Zeros[i]));
      if (i < zplane.PoleCount) h = Divide(h, Subtract(at, zplane.Poles[i]));
    }
    return Magnitude(h);
  };
  const TsigComplex dc = MakeComplex(1.0L, 0.0L);
  const TsigComplex nyquist = MakeComplex(-1.0L, 0.0L);
  switch (response) {
    case ftLowpass: return 1.0L / gain(dc);
    case ftHighpass: return 1.0L / gain(nyquist);
    case ftBandpass: return 1.0L / gain(ExpImaginary(Pi * (a1 + a2)));
    case ftBandstop: break;
  }
  return 1.0L / std::sqrt(gain(dc) * gain(nyquist));
}

IIRCascade CascadeFromSections(std::span<const TsigIIRSection> sections) {
  IIRCascade c;
  c.SectionCount = static_cast<std::int32_t>(std::min<std::size_t>(sections.size(), MaxSections));
  for (int i = 0; i < c.SectionCount; ++i) {
    const TsigIIRSection& s = sections[static_cast<std::size_t>(i)];
    IIRSection& t = c.Sections[static_cast<std::size_t>(i)];
    t.B0 = s.B0, t.B1 = s.B1, t.B2 = s.B2, t.A1 = s.A1, t.A2 = s.A2, t.Order = s.Order;
  }
  return c;
}

TsigComplex CascadeResponse(const IIRCascade& cascade, TsigComplex z) {
  TsigComplex h = MakeComplex(1.0L, 0.0L);
  for (int i = 0; i < cascade.SectionCount; ++i)
    h = Multiply(h, SectionResponse(cascade.Sections[i], z));
  return h;
}

void CascadeSteadyState(const IIRCascade& cascade, Extended x0, std::span<Extended> levels) {
  levels[0] = Settle(x0);
  for (int i = 0; i < cascade.SectionCount; ++i) {
    const IIRSection& s = cascade.Sections[i];
    const WideExtended top = Add(TwoSum(s.B0, s.B1), WideExtended{s.B2, 0.0L});
    const WideExtended bottom = Add(TwoSum(1.0L, -s.A1), WideExtended{-s.A2, 0.0L});
    levels[i + 1] = levels[i] * (Narrow(top) / Narrow(bottom));
  }
}

}  // namespace tessaro
