#!/usr/bin/python3
"""Reference values for the realisation tests, computed with mpmath.

The designs are the library's own: iir_design_dump (built from
dump_realisation_designs.cpp) writes, for every design of RealisationGrid.h,
its z-plane poles and zeros, input scale, relative corners and output
coefficients exactly, as hexadecimal floats. From those exact values this
script computes, at 100 digits (and checks at 130):

  * the roots of the realised denominator z^N - sum A[i] z^i (mpmath
    polyroots, each root polished by Newton's method and checked), and the
    largest root radius;
  * the input scale the pole-zero set calls for, 1/|H| at the response's
    reference point with H = prod(z - zero)/(z - pole);
  * the design's impulse response h = InputScale * prod(z - zero)/prod(z -
    pole) at a few sample indices, from its partial fractions, and its
    energy norm sqrt(sum h^2) in closed form;
  * the design's frequency response and group delay at six frequencies
    (0 Hz, half the lower corner, the corners, their mean, and midway from
    the upper corner to Nyquist), each rounded to an extended value of
    omega that the tests use as it stands. The group delay is minus the
    derivative of the phase, differentiated numerically (mpmath diff);
    a zero within 2^-56 of the unit circle counts as on it and adds 1/2,
    its value at every frequency but its own angle, where it is defined as
    that limit.

Written to realisation_reference.inc, entries in the order of
RealisationGrid(), each with the design's fingerprint so that the tests
notice a design that no longer matches its reference. Of the roots, the
real ones and the upper member of each conjugate pair are written.

Run from the repository root after building iir_design_dump:
  /usr/bin/python3 tests/lib/iirfilter/reference/make_realisation_reference.py [dump program]
(default build/tests/lib/iirfilter/iir_design_dump, built with cmake if
missing).
"""
import os
import subprocess
import sys

import mpmath as mp

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", "..", "..", ".."))
DEFAULT_DUMP = os.path.join(ROOT, "build", "tests", "lib", "iirfilter", "iir_design_dump")

IMPULSE_INDICES = [0, 1, 2, 5, 20, 100, 1000, 10000]
ON_CIRCLE = mp.mpf(2) ** -56
# pi as the library holds it: the extended value nearest pi.
PI_EXTENDED = mp.mpf(0xC90FDAA22168C235) * mp.mpf(2) ** -62


def hexfloat(text):
    """The exact value of a C hexadecimal float such as -0xc.90fdp-2."""
    sign = -1 if text.startswith("-") else 1
    body = text.lstrip("+-")
    assert body.startswith("0x"), text
    mantissa, exponent = body[2:].split("p")
    whole, _, fraction = mantissa.partition(".")
    digits = int(whole + fraction, 16)
    with mp.workprec(256):
        return sign * mp.ldexp(mp.mpf(digits), int(exponent) - 4 * len(fraction))


def extended(x):
    """x rounded to the nearest extended value (64-bit significand)."""
    with mp.workprec(64):
        return +mp.mpf(x)


def c_hex(x):
    """An extended value as an exact C++ hexadecimal literal."""
    if x == 0:
        return "0.0L"
    man, exp = mp.mpf(x).man_exp
    sign = "-" if man < 0 else ""
    return "%s0x%xp%dL" % (sign, abs(man), exp)


def c_dec(x, digits=13):
    """x in decimal; magnitudes below the extended range written as 0."""
    x = mp.mpf(x)
    if abs(x) < mp.mpf("1e-4900"):
        return "0.0L"
    return mp.nstr(x, digits, min_fixed=-4, max_fixed=6) + "L"


def read_designs(dump):
    out = subprocess.run([dump], check=True, capture_output=True, text=True).stdout
    designs = []
    for line in out.splitlines():
        f = line.split()
        d = {"kind": int(f[0]), "response": int(f[1]), "order": int(f[2]),
             "hash": f[7], "degenerate": f[8] == "1",
             "a1": hexfloat(f[9]), "a2": hexfloat(f[10]), "scale": hexfloat(f[11])}
        n = int(f[12])
        values = [hexfloat(v) for v in f[13:]]
        assert len(values) == 5 * n, line[:80]
        d["poles"] = [mp.mpc(values[2 * i], values[2 * i + 1]) for i in range(n)]
        zeros = values[2 * n:4 * n]
        d["zeros"] = [mp.mpc(zeros[2 * i], zeros[2 * i + 1]) for i in range(n)]
        d["a"] = values[4 * n:5 * n]
        designs.append(d)
    return designs


def realised_roots(a):
    n = len(a)
    coeffs = [mp.mpf(1)] + [-a[i] for i in range(n - 1, -1, -1)]
    roots = mp.polyroots(coeffs, maxsteps=4000, extraprec=600)
    poly = lambda z: mp.polyval(coeffs, z)
    dpoly = lambda z: mp.polyval([c * (n - k) for k, c in enumerate(coeffs[:-1])], z)
    polished = []
    for r in roots:
        for _ in range(20):
            step = poly(r) / dpoly(r)
            r -= step
            if abs(step) < mp.mpf(10) ** (-mp.mp.dps + 5):
                break
        polished.append(mp.mpc(r))
    # The roots must reproduce the polynomial's coefficients.
    prod = [mp.mpc(1)]
    for r in polished:
        prod = [mp.mpc(0)] + prod
        for k in range(len(prod) - 1):
            prod[k] -= r * prod[k + 1]
    for k in range(n):
        assert abs(prod[k] + a[k]) < mp.mpf(10) ** -60 * (1 + abs(a[k])), (k, prod[k], a[k])
    polished.sort(key=lambda z: (mp.re(z), mp.im(z)))
    return polished


def upper_roots(roots):
    """The real roots and the upper member of each conjugate pair."""
    tiny = mp.mpf(10) ** -50
    upper = [mp.mpc(mp.re(r), 0) if abs(mp.im(r)) <= tiny else r
             for r in roots if mp.im(r) > tiny or abs(mp.im(r)) <= tiny]
    assert 2 * len(upper) - sum(1 for r in upper if mp.im(r) == 0) == len(roots)
    return upper


def response(d, z):
    h = mp.mpc(d["scale"])
    for q in d["zeros"]:
        h *= z - q
    for p in d["poles"]:
        h /= z - p
    return h


def pole_zero_scale(d):
    def gain(z):
        return abs(response(d, z)) / d["scale"]
    r = d["response"]
    if r == 0:
        return 1 / gain(mp.mpf(1))
    if r == 1:
        return 1 / gain(mp.mpf(-1))
    if r == 2:
        theta = extended(extended(d["a1"] + d["a2"]) * PI_EXTENDED)
        return 1 / gain(mp.expj(theta))
    return 1 / mp.sqrt(gain(mp.mpf(1)) * gain(mp.mpf(-1)))


def residues(d):
    g = d["scale"]
    res = []
    for k, p in enumerate(d["poles"]):
        r = mp.mpc(g)
        for q in d["zeros"]:
            r *= p - q
        for i, other in enumerate(d["poles"]):
            if i != k:
                r /= p - other
        res.append(r)
    return res


def impulse_and_norm(d):
    res = residues(d)
    poles = d["poles"]
    h = []
    for n in IMPULSE_INDICES:
        if n == 0:
            h.append(mp.mpf(d["scale"]))
        else:
            h.append(mp.re(sum(r * p ** (n - 1) for r, p in zip(res, poles))))
    energy = mp.mpf(d["scale"]) ** 2
    for rj, pj in zip(res, poles):
        for rk, pk in zip(res, poles):
            energy += mp.re(rj * rk / (1 - pj * pk))
    return h, mp.sqrt(energy)


def check_frequencies(d):
    """Six omegas as exact extended values: 2*pi_ext*frac rounded."""
    a1, a2 = min(d["a1"], d["a2"]), max(d["a1"], d["a2"])
    half = mp.mpf(0.5)
    if a1 == a2:
        fracs = [0, a1 / 4, a1 / 2, a1, (a1 + half) / 2, half]
    else:
        fracs = [0, a1 / 2, a1, (a1 + a2) / 2, a2, (a2 + half) / 2]
    return [extended(2 * PI_EXTENDED * extended(f)) for f in fracs]


def group_delay(d, omega):
    snapped = [q for q in d["zeros"] if abs(abs(q) - 1) <= ON_CIRCLE]
    others = [q for q in d["zeros"] if abs(abs(q) - 1) > ON_CIRCLE]

    def f(w):
        e = mp.expj(-w)
        v = mp.mpc(1)
        for q in others:
            v *= 1 - q * e
        for p in d["poles"]:
            v /= 1 - p * e
        return v

    base = f(omega)
    phase = lambda w: mp.arg(f(w) / base)
    return mp.mpf(len(snapped)) / 2 - mp.diff(phase, omega)


def reference(d):
    roots = realised_roots(d["a"])
    omegas = check_frequencies(d)
    h, norm = impulse_and_norm(d)
    return {
        "roots": roots,
        "radius": max(abs(r) for r in roots),
        "pz_scale": pole_zero_scale(d),
        "h": h,
        "norm": norm,
        "omegas": omegas,
        "H": [response(d, mp.expj(w)) for w in omegas],
        "tau": [group_delay(d, w) for w in omegas],
    }


def agree(x, y):
    for key in ("radius", "pz_scale", "norm"):
        assert abs(x[key] - y[key]) <= mp.mpf(10) ** -30 * abs(y[key]), key
    for u, v in zip(x["h"] + x["H"] + x["tau"], y["h"] + y["H"] + y["tau"]):
        assert abs(u - v) <= mp.mpf(10) ** -25 * (abs(v) + x["norm"]), (u, v)


def main():
    mp.mp.dps = 100
    dump = sys.argv[1] if len(sys.argv) > 1 else DEFAULT_DUMP
    if not os.path.exists(dump):
        subprocess.run(["cmake", "--build", os.path.join(ROOT, "build"), "--target",
                        "iir_design_dump"], check=True)
    designs = read_designs(dump)
    entries, roots_flat = [], []
    for index, d in enumerate(designs):
        mp.mp.dps = 100
        ref = reference(d)
        mp.mp.dps = 130
        agree(ref, reference(d))
        mp.mp.dps = 100
        first = len(roots_flat)
        stored = upper_roots(ref["roots"])
        roots_flat += stored
        entries.append(
            "  {0x%sull, %s, %d, %d, %s, %s, %s,\n   {%s},\n   {%s},\n   {%s},\n   {%s}}"
            % (d["hash"], "true" if d["degenerate"] else "false", first, len(stored),
               c_dec(ref["radius"], 21), c_dec(ref["pz_scale"], 20), c_dec(ref["norm"]),
               ", ".join(c_dec(v) for v in ref["h"]),
               ", ".join(c_hex(w) for w in ref["omegas"]),
               ", ".join("{%s, %s}" % (c_dec(mp.re(v)), c_dec(mp.im(v))) for v in ref["H"]),
               ", ".join(c_dec(v, 20) for v in ref["tau"])))
        print("%d/%d" % (index + 1, len(designs)), file=sys.stderr, end="\r")
    with open(os.path.join(HERE, "realisation_reference.inc"), "w") as out:
        out.write("// Generated by make_realisation_reference.py (mpmath, 100 digits, checked at\n"
                  "// 130) from the designs iir_design_dump writes; do not edit.\n\n")
        out.write("const TsigComplex kRealisedRoots[] = {\n")
        for i in range(0, len(roots_flat), 2):
            out.write("  " + " ".join("{%s, %s}," % (c_dec(mp.re(r), 21), c_dec(mp.im(r), 21))
                                      for r in roots_flat[i:i + 2]) + "\n")
        out.write("};\n\nconst RealisationReference kRealisationReferences[] = {\n")
        out.write(",\n".join(entries))
        out.write("\n};\n")


if __name__ == "__main__":
    main()
