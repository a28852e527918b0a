#!/usr/bin/python3
"""Reference designs for the IIR filter tests, computed with mpmath at 40 digits.

For every kind, response and order 1..8 at several frequency sets, the
pole-zero design is recomputed from scratch: analog prototype (Butterworth
on the unit circle, Chebyshev on the ripple ellipse, Bessel from the pole
table), band transform at the prewarped corners, bilinear map, expansion of
the z-plane roots into polynomials and gain normalisation at the response's
reference point. Written to iir_reference.inc and bessel_poles.inc:

  * the difference-equation coefficients B (numerator) and A (negated
    denominator) and the input scale;
  * the complex response at a few frequencies, evaluated from the
    pole-zero product (no polynomial involved);
  * for one frequency set, the first samples of the impulse response,
    run through the difference equation at 40 digits;
  * condition figures that bound how far extended arithmetic can move the
    input scale, the response and the impulse response (see design());
  * the Bessel prototype poles of orders 1..10 found independently as the
    roots of the reverse Bessel polynomial, scaled to -3 dB at 1 rad/s.

Run: /usr/bin/python3 tests/iirfilter/reference/make_iir_reference.py
"""
import os

import mpmath as mp

mp.mp.dps = 40

KINDS = ["fkButterworth", "fkChebyshev", "fkBessel"]
RESPONSES = ["ftLowpass", "ftHighpass", "ftBandpass", "ftBandstop"]

# The Bessel pole table of the design (decimals as specified).
BESSEL_TABLE = [
    ("-1.00000000000", "0"),
    ("-1.10160133059", "0.636009824757"),
    ("-1.32267579991", "0"), ("-1.04740916101", "0.999264436281"),
    ("-1.37006783055", "0.410249717494"), ("-0.995208764350", "1.25710573945"),
    ("-1.50231627145", "0"), ("-1.38087732586", "0.717909587627"),
    ("-0.957676548563", "1.47112432073"),
    ("-1.57149040362", "0.320896374221"), ("-1.38185809760", "0.971471890712"),
    ("-0.930656522947", "1.66186326894"),
    ("-1.68436817927", "0"), ("-1.61203876622", "0.589244506931"),
    ("-1.37890321680", "1.19156677780"), ("-0.909867780623", "1.83645135304"),
    ("-1.75740840040", "0.272867575103"), ("-1.63693941813", "0.822795625139"),
    ("-1.37384121764", "1.38835657588"), ("-0.892869718847", "1.99832584364"),
    ("-1.85660050123", "0"), ("-1.80717053496", "0.512383730575"),
    ("-1.65239648458", "1.03138956698"), ("-1.36758830979", "1.56773371224"),
    ("-0.878399276161", "2.14980052431"),
    ("-1.92761969145", "0.241623471082"), ("-1.84219624443", "0.727257597722"),
    ("-1.66181024140", "1.22110021857"), ("-1.36069227838", "1.73350574267"),
    ("-0.865756901707", "2.29260483098"),
]

# (frequency 1, frequency 2, sample rate, ripple), in Hz and dB.
FREQUENCY_SETS = [
    ("300", "3000", "44100", "1"),
    ("2500", "1000", "8000", "0.5"),   # band edges given high edge first
    ("5000", "5600", "48000", "3"),    # narrow band
    ("10", "20000", "44100", "2"),     # corner below the floor order*0.0001
    ("1000", "3000", "44100", "0"),    # 0 dB ripple: epsilon held at 1e-10
]
# Fractions of the sample rate at which the response is checked.
RESPONSE_POINTS = ["0", "0.01", "0.05", "0.1", "0.2", "0.3", "0.45", "0.5"]
IMPULSE_SET = 0
IMPULSE_LENGTH = 32


def prototype(kind, n, ripple):
    poles = []
    if kind == "fkBessel":
        k = n * n // 4
        if n % 2 == 1:
            poles.append(mp.mpc(mp.mpf(BESSEL_TABLE[k][0]), mp.mpf(BESSEL_TABLE[k][1])))
            k += 1
        for _ in range(n // 2):
            p = mp.mpc(mp.mpf(BESSEL_TABLE[k][0]), mp.mpf(BESSEL_TABLE[k][1]))
            poles += [p, mp.conj(p)]
            k += 1
        return poles
    for i in range(2 * n):
        theta = i * mp.pi / n if n % 2 == 1 else (i + mp.mpf("0.5")) * mp.pi / n
        p = mp.expj(theta)
        if mp.re(p) < 0 and abs(mp.re(p)) > mp.mpf("1e-30"):
            poles.append(p)
    assert len(poles) == n
    if kind == "fkChebyshev":
        r = mp.power(10, ripple / 10)
        eps = max(mp.sqrt(r - 1), mp.mpf("1e-10"))
        y = mp.asinh(1 / eps) / n
        poles = [mp.mpc(mp.re(p) * mp.sinh(y), mp.im(p) * mp.cosh(y)) for p in poles]
    return poles


def design(kind, response, n, f1, f2, fs, ripple):
    floor = n * mp.mpf("0.0001")
    band = response in ("ftBandpass", "ftBandstop")
    a1 = max(floor, f1 / fs)
    a2 = max(floor, (f2 if band else f1) / fs)
    if not band:
        a2 = a1
    w1 = 2 * mp.tan(mp.pi * a1)
    w2 = 2 * mp.tan(mp.pi * a2)
    p = prototype(kind, n, ripple)
    if response == "ftLowpass":
        poles, zeros = [q * w1 for q in p], []
    elif response == "ftHighpass":
        poles, zeros = [w1 / q for q in p], [mp.mpc(0)] * n
    else:
        lo, hi = min(w1, w2), max(w1, w2)
        w0 = mp.sqrt(lo * hi)
        bw = max(hi - lo, floor)
        poles = []
        for q in p:
            # the two roots of s^2 - 2hs + w0^2 = 0
            h = q * bw / 2 if response == "ftBandpass" else (bw / 2) / q
            root = mp.sqrt(h * h - w0 * w0)
            poles += [h + root, h - root]
        if response == "ftBandpass":
            zeros = [mp.mpc(0)] * n
        else:
            zeros = [mp.mpc(0, w0)] * n + [mp.mpc(0, -w0)] * n
    zp = [(2 + s) / (2 - s) for s in poles]
    zz = [(2 + s) / (2 - s) for s in zeros]
    zz += [mp.mpc(-1)] * (len(zp) - len(zz))

    def expand(roots):
        c = [mp.mpc(1)]
        for r in roots:
            c = [mp.mpc(0)] + c
            for k in range(len(c) - 1):
                c[k] -= r * c[k + 1]
        return c  # c[k] is the weight of z^k

    top, bottom = expand(zz), expand(zp)

    def product_response(z):
        num = mp.mpc(1)
        for r in zz:
            num *= z - r
        den = mp.mpc(1)
        for r in zp:
            den *= z - r
        return num / den

    if response == "ftLowpass":
        g = product_response(mp.mpc(1))
    elif response == "ftHighpass":
        g = product_response(mp.mpc(-1))
    elif response == "ftBandpass":
        g = product_response(mp.expj(mp.pi * (a1 + a2)))
    else:
        g = mp.sqrt(product_response(mp.mpc(1)) * product_response(mp.mpc(-1)))
    scale = 1 / abs(g)
    m = len(zp)
    b = [mp.re(top[k]) for k in range(m)]
    a = [-mp.re(bottom[k]) for k in range(m)]
    resp = [scale * product_response(mp.expj(2 * mp.pi * mp.mpf(x))) for x in RESPONSE_POINTS]
    degenerate = a1 == a2 and band

    # How far extended arithmetic may move the results. Expanding m roots
    # and evaluating at |z| = 1 perturbs a polynomial value by at most about
    # m·u·P, P = prod(1 + |root|) (the same polynomial with every sign
    # aligned), u = 2^-64. So the relative error of top(z)/bottom(z) is about
    # m·u·(Pt/|top(z)| + Pb/|bottom(z)|); here without the factor m·u.
    size_top = mp.fprod([1 + abs(r) for r in zz])
    size_bottom = mp.fprod([1 + abs(r) for r in zp])

    def condition(z):
        num = mp.fprod([z - r for r in zz])
        den = mp.fprod([z - r for r in zp])
        return num, den

    def relative_condition(z):
        num, den = condition(z)
        return size_top / abs(num) + size_bottom / abs(den)

    if response == "ftLowpass":
        scale_condition = relative_condition(mp.mpc(1))
    elif response == "ftHighpass":
        scale_condition = relative_condition(mp.mpc(-1))
    elif response == "ftBandpass":
        scale_condition = relative_condition(mp.expj(mp.pi * (a1 + a2)))
    else:
        scale_condition = (relative_condition(mp.mpc(1)) + relative_condition(mp.mpc(-1))) / 2

    def absolute_condition(z):
        # |ΔH| / (m·u) for the normalised response at z, the scale's own
        # error excluded: scale·(Pt + |H/scale|·Pb)/|bottom(z)|
        num, den = condition(z)
        return scale * (size_top + abs(num / den) * size_bottom) / abs(den)

    response_condition = [absolute_condition(mp.expj(2 * mp.pi * mp.mpf(x)))
                          for x in RESPONSE_POINTS]
    grid = [absolute_condition(mp.expj(mp.pi * (k + mp.mpf("0.5")) / 128)) for k in range(128)]
    impulse_condition = max(grid + response_condition)
    return (m, b, a, scale, resp, degenerate, scale_condition, response_condition,
            impulse_condition)


def impulse(m, b, a, scale, length):
    x_hist = [mp.mpf(0)] * m
    y_hist = [mp.mpf(0)] * m
    out = []
    for t in range(length):
        x = scale if t == 0 else mp.mpf(0)
        y = x + sum(b[i] * x_hist[i] + a[i] * y_hist[i] for i in range(m))
        x_hist = x_hist[1:] + [x]
        y_hist = y_hist[1:] + [y]
        out.append(y)
    return out


def bessel_poles(n):
    """Roots of the reverse Bessel polynomial, scaled to -3 dB at 1 rad/s."""
    coeffs = [mp.factorial(2 * n - k) / (2 ** (n - k) * mp.factorial(k) * mp.factorial(n - k))
              for k in range(n + 1)]  # coeffs[k] weighs s^k
    def gain2(w):
        s = mp.mpc(0, w)
        return abs(coeffs[0] / mp.polyval(coeffs[::-1], s)) ** 2
    wc = mp.findroot(lambda w: gain2(w) - mp.mpf("0.5"), 1.5)
    roots = mp.polyroots(coeffs[::-1], maxsteps=200, extraprec=200)
    roots = [r / wc for r in roots]
    real = [r for r in roots if abs(mp.im(r)) < mp.mpf("1e-25")]
    upper = sorted([r for r in roots if mp.im(r) > mp.mpf("1e-25")], key=lambda r: mp.im(r))
    return [mp.mpc(mp.re(r), 0) for r in real] + upper


def lit(x):
    return mp.nstr(mp.mpf(x), 22, min_fixed=-5, max_fixed=5, strip_zeros=False) + "L"


def cond(x):
    """A condition figure: three digits, capped where a result is exactly 0."""
    return mp.nstr(min(mp.mpf(x), mp.mpf("1e300")), 3) + "L"


def dec(text):
    """A decimal input as an extended literal."""
    return (text if "." in text else text + ".0") + "L"


def main():
    out = ["// Generated by make_iir_reference.py (mpmath, 40 digits); do not edit.", ""]
    out.append("const IIRReferenceDesign ReferenceDesigns[] = {")
    impulses = []
    for si, (f1s, f2s, fss, rs) in enumerate(FREQUENCY_SETS):
        f1, f2, fs, ripple = mp.mpf(f1s), mp.mpf(f2s), mp.mpf(fss), mp.mpf(rs)
        for kind in KINDS:
            if rs == "0" and kind != "fkChebyshev":
                continue
            for response in RESPONSES:
                for n in range(1, 9):
                    (m, b, a, scale, resp, degenerate, scale_condition, response_condition,
                     impulse_condition) = design(kind, response, n, f1, f2, fs, ripple)
                    pad = lambda v: [lit(x) for x in v] + ["0.0L"] * (16 - len(v))
                    out.append(f"  {{{kind}, {response}, {n}, {dec(f1s)}, {dec(f2s)}, {dec(fss)}, {dec(rs)}, "
                               f"{m}, {'true' if degenerate else 'false'},")
                    out.append("   {" + ", ".join(pad(b)) + "},")
                    out.append("   {" + ", ".join(pad(a)) + "},")
                    out.append(f"   {lit(scale)}, {cond(scale_condition)},")
                    out.append("   {" + ", ".join("{%s, %s}" % (lit(mp.re(h)), lit(mp.im(h)))
                                                  for h in resp) + "},")
                    out.append("   {" + ", ".join(cond(c) for c in response_condition) + "}},")
                    if si == IMPULSE_SET:
                        h = impulse(m, b, a, scale, IMPULSE_LENGTH)
                        impulses.append(f"  {{{kind}, {response}, {n}, {cond(impulse_condition)}, {{"
                                        + ", ".join(lit(x) for x in h) + "}},")
    out.append("};")
    out.append("")
    out.append("const Extended ResponsePoints[] = {" +
               ", ".join(p + "L" for p in RESPONSE_POINTS) + "};")
    out.append("")
    s1 = FREQUENCY_SETS[IMPULSE_SET]
    out.append(f"// Impulse responses at Frequency1 {s1[0]}, Frequency2 {s1[1]}, "
               f"SampleRate {s1[2]}, Ripple {s1[3]}.")
    out.append("const IIRReferenceImpulse ReferenceImpulses[] = {")
    out += impulses
    out.append("};")
    out.append("")
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "iir_reference.inc"), "w") as f:
        f.write("\n".join(out) + "\n")

    out = ["// Generated by make_iir_reference.py (mpmath, 40 digits); do not edit.",
           "// Bessel prototype poles, orders 1..10, in the table's order.",
           "const TsigComplex BesselPoles[] = {"]
    for n in range(1, 11):
        out.append("  " + " ".join("{%s, %s}," % (lit(mp.re(p)), lit(mp.im(p)))
                                   for p in bessel_poles(n)))
    out.append("};")
    with open(os.path.join(here, "bessel_poles.inc"), "w") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
