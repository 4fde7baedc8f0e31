#!/usr/bin/env python3
"""Generates foundation/weather_tables.cc, the lookup tables of the derived weather
quantities (heat index, wind chill, THW wind correction, wood moisture, long-wave
humidity term).

Usage:  python3 tools/gen_weather_tables.py > foundation/weather_tables.cc

Only the standard library is used. Every table is built from a physical relation; where
the relation does not reach the anchor values the program has always shown (the rows
listed in ANCHORS below), a smooth correction is fitted through them. After building, the
script checks every anchor to the printed precision and the monotonic direction the
physics asks for, and stops with an error when one fails.

How each table is made
----------------------
thiTable (heat index / apparent temperature, 308 x 21, -57..250 F by 1, RH 0..100 by 5)
  HI(T, RH) = HIdry(T) + X(T, RH).
  HIdry: the dry-air apparent temperature, a monotone cubic (PCHIP) through
    (-57, -57), (0, -0.5), (80, 75.6), (100, 91.3), continued above 100 F as a straight
    line with the slope it has at 100 F.  At -57 F the index equals the temperature,
    which is what the caller returns below that.
  X: the humidity excess.  No published regression reproduces the anchors (the 100 F
    row climbs to 1448.8 at saturation), so X is fitted: at 80 F and 100 F the anchor
    excesses are interpolated across humidity with a monotone cubic; each column is then
    X(T) = a * G3(T) + b * G1000(T) with a, b >= 0 solved through both anchors, where
    G_q(T) = (exp(k (T + 57)) - 1) / (exp(137 k) - 1) is an exponential growth curve,
    zero at -57 F and 1 at 80 F, whose k makes it grow q-fold from 80 F to 100 F.
    This is smooth, rises with temperature, rises with humidity at every temperature,
    and grows exponentially with temperature the way the vapour-pressure term does.
  Values are softly capped towards 9999 (identity below 1500), since anything of 1000
  or more is reported as missing anyway.

lowSpeedChillTable / hiSpeedChillTable (wind chill, T 40..93 F; wind 0..39 mph by 1 and
  40..180 mph by 5)
  The wind-chill temperature relation
      WC = 35.74 + 0.6215 T - 35.75 V^0.16 + 0.4275 T V^0.16
  limited to the air temperature (wind never makes it feel warmer), and T itself at
  calm (column 0).  It reproduces the 40 F anchors directly.

lowSpeedTHWtable / hiSpeedTHWtable (THW wind correction; T 93..140 / 93..144 F;
  wind 6..70 mph by 1 / 70..180 mph by 10, 111 slots per high-speed row, 12 used)
  Above skin temperature moving air adds heat in proportion to the temperature excess
  (Newton's law of convection), so the correction is linear in (T - 93) and zero at
  93 F.  The wind dependence of the convective coefficient is fitted through the 110 F
  anchors (0 at 6 mph, 2.4 at 20, 6.0 at 40, 8.4 at 70, 9.9 at 120, 10.7 at 180) with a
  monotone cubic, since no single power law of the wind speed reproduces them.

EMCTable (equilibrium moisture content of wood, tenths of a percent; 30..130 F by 5,
  140..210 F by 10; RH 0..100 by 1)
  The Hailwood-Horrobin sorption relation with the wood-handbook coefficients
  (W, K, K1, K2 as polynomials of T in F).  It matches the 70 F anchors only roughly
  (it overshoots near saturation), so the ratio anchor / relation at 70 F is
  interpolated across humidity with a monotone cubic and applied to every row, and a
  constant 0.5 tenth (the anchors' offset at 0 %) is added.

vaporTermTable (long-wave humidity term, pairs (value, slope per F), dew point
  -100..100 F by 5)
  Brunt's sky-emissivity relation: the term is -b * e^p, with e the vapour pressure at
  the dew point (Magnus, hPa); b and p are solved through the 0 F and 100 F anchors
  (p comes out as 0.5001, Brunt's square root) and the -100 F anchor follows.
  The slope is the forward difference to the next 5-degree point, so that
  value[i] + r * slope[i] joins the rows continuously.
"""

import math
import sys

# ---------------------------------------------------------------------------
# Monotone cubic interpolation (Fritsch-Carlson), enough for our smooth fits.


def pchip(xs, ys):
    n = len(xs)
    h = [xs[i + 1] - xs[i] for i in range(n - 1)]
    d = [(ys[i + 1] - ys[i]) / h[i] for i in range(n - 1)]
    m = [0.0] * n
    m[0] = d[0]
    m[-1] = d[-1]
    for i in range(1, n - 1):
        if d[i - 1] * d[i] <= 0:
            m[i] = 0.0
        else:
            w1 = 2 * h[i] + h[i - 1]
            w2 = h[i] + 2 * h[i - 1]
            m[i] = (w1 + w2) / (w1 / d[i - 1] + w2 / d[i])
    # End slopes: one-sided three-point estimate, kept within the monotone limits.
    if n > 2:
        for (i, j, k) in ((0, 0, 1), (n - 1, n - 2, n - 3)):
            hj, hk = h[j], h[k] if k < n - 1 else h[n - 2]
            s = ((2 * hj + hk) * d[j] - hj * d[k]) / (hj + hk)
            if s * d[j] <= 0:
                s = 0.0
            elif d[j] * d[k] <= 0 and abs(s) > abs(3 * d[j]):
                s = 3 * d[j]
            m[i] = s

    def f(x):
        if x <= xs[0]:
            return ys[0] + m[0] * (x - xs[0])
        if x >= xs[-1]:
            return ys[-1] + m[-1] * (x - xs[-1])
        i = 0
        while xs[i + 1] < x:
            i += 1
        t = (x - xs[i]) / h[i]
        h00 = (1 + 2 * t) * (1 - t) ** 2
        h10 = t * (1 - t) ** 2
        h01 = t * t * (3 - 2 * t)
        h11 = t * t * (t - 1)
        return h00 * ys[i] + h10 * h[i] * m[i] + h01 * ys[i + 1] + h11 * h[i] * m[i + 1]

    return f


def solve(fn, lo, hi):
    """Bisection for a root of fn in [lo, hi] (fn(lo) and fn(hi) of opposite sign)."""
    flo = fn(lo)
    for _ in range(200):
        mid = 0.5 * (lo + hi)
        fm = fn(mid)
        if (fm < 0) == (flo < 0):
            lo, flo = mid, fm
        else:
            hi = mid
    return 0.5 * (lo + hi)


def fail(msg):
    sys.stderr.write("gen_weather_tables: " + msg + "\n")
    sys.exit(1)


def check_anchor(name, got, want, places):
    if round(got, places) != round(want, places) and abs(got - want) > 0.5 * 10 ** -places + 1e-9:
        fail("%s: %r does not round to %r" % (name, got, want))


# ---------------------------------------------------------------------------
# Heat index.

THI_T0, THI_ROWS, THI_COLS = -57, 308, 21
THI_ANCHORS = {
    80: [75.6, 77.0, 79.0, 81.3, 84.5, 89.6],
    100: [91.3, 97.8, 110.6, 132.3, 199.3, 1448.8],
}
ANCHOR_RH = [0, 20, 40, 60, 80, 100]


def soft_cap(x, knee=1500.0, top=9999.0):
    if x <= knee:
        return x
    span = top - knee
    return knee + span * (1 - math.exp(-(x - knee) / span))


def build_thi():
    dry = pchip([-57.0, 0.0, 80.0, 100.0], [-57.0, -0.5, 75.6, 91.3])
    dry_slope = (dry(100.0) - dry(99.999)) / 0.001

    def hi_dry(t):
        return dry(t) if t <= 100 else dry(100.0) + dry_slope * (t - 100)

    x80 = pchip(ANCHOR_RH, [v - THI_ANCHORS[80][0] for v in THI_ANCHORS[80]])
    x100 = pchip(ANCHOR_RH, [v - THI_ANCHORS[100][0] for v in THI_ANCHORS[100]])
    # Two growth curves, zero at -57 F: a mild one (the excess triples from 80 F to
    # 100 F) and a steep one (it grows a thousandfold).  Each column is a non-negative mix
    # of the two, so every column rises with temperature and the mix stays ordered by
    # humidity.
    def growth(ratio):
        k = solve(lambda k: (math.expm1(157 * k) / math.expm1(137 * k)) - ratio, 1e-6, 1.0)
        return lambda t: math.expm1(k * (t + 57)) / math.expm1(137 * k)

    mild, steep = growth(3.0), growth(1000.0)
    cols = []
    for c in range(THI_COLS):
        a80, a100 = x80(5 * c), x100(5 * c)
        # a * mild + b * steep through (80, a80) and (100, a100); mild(80) = steep(80) = 1.
        b = (a100 - a80 * mild(100)) / (steep(100) - mild(100))
        a = a80 - b
        if a < 0 or b < 0:
            fail("heat-index column %d needs a negative mix (%g, %g)" % (c, a, b))
        cols.append((a, b))
    table = []
    for r in range(THI_ROWS):
        t = THI_T0 + r
        row = []
        for c in range(THI_COLS):
            a, b = cols[c]
            x = a * mild(t) + b * steep(t)
            row.append(soft_cap(hi_dry(t) + x))
        table.append(row)
    # Anchors and physics.
    for t, vals in THI_ANCHORS.items():
        for rh, want in zip(ANCHOR_RH, vals):
            check_anchor("thi %d F %d %%" % (t, rh), table[t - THI_T0][rh // 5], want, 1)
    check_anchor("thi 0 F 0 %", table[0 - THI_T0][0], -0.5, 1)
    for r in range(THI_ROWS):
        t = THI_T0 + r
        for c in range(THI_COLS - 1):
            if table[r][c + 1] < table[r][c]:
                fail("thi falls with humidity at %d F col %d" % (t, c))
        if r + 1 < THI_ROWS:
            for c in range(THI_COLS):
                if table[r + 1][c] < table[r][c]:
                    fail("thi falls with temperature at %d F col %d" % (t, c))
    return table


# ---------------------------------------------------------------------------
# Wind chill.


def wind_chill(t, v):
    if v <= 0:
        return t
    p = v ** 0.16
    return min(t, 35.74 + 0.6215 * t - 35.75 * p + 0.4275 * t * p)


def build_chill():
    low = [[wind_chill(40 + r, w) for w in range(40)] for r in range(54)]
    high = [[wind_chill(40 + r, 40 + 5 * w) for w in range(29)] for r in range(54)]
    for w, want in zip([0, 5, 10, 20, 39], [40.0, 36.5, 33.6, 30.5, 27.1]):
        check_anchor("low chill 40 F %d mph" % w, low[0][w], want, 1)
    for w, want in zip([40, 50, 100, 180], [26.9, 25.7, 21.6, 17.8]):
        check_anchor("high chill 40 F %d mph" % w, high[0][(w - 40) // 5], want, 1)
    for r in range(54):
        row = low[r] + high[r]
        for i in range(len(row) - 1):
            if row[i + 1] > row[i] + 1e-12:
                fail("chill rises with wind at %d F" % (40 + r))
        if max(row) > 40 + r + 1e-12:
            fail("chill above temperature at %d F" % (40 + r))
    return low, high


# ---------------------------------------------------------------------------
# THW wind correction.

THW_ANCHOR_W = [6.0, 20.0, 40.0, 70.0, 120.0, 180.0]
THW_ANCHOR_V = [0.0, 2.4, 6.0, 8.4, 9.9, 10.7]


def build_thw():
    wind = pchip(THW_ANCHOR_W, THW_ANCHOR_V)

    def corr(t, w):
        return (t - 93) / 17.0 * wind(w)

    low = [[corr(93 + r, 6 + w) for w in range(65)] for r in range(48)]
    high = [[corr(93 + r, 70 + 10 * w) if w < 12 else 0.0 for w in range(111)] for r in range(52)]
    if any(v != 0 for v in low[0]) or any(v != 0 for v in high[0]):
        fail("THW row 93 F is not zero")
    for w, want in zip([6, 20, 40, 70], [0.0, 2.4, 6.0, 8.4]):
        check_anchor("low THW 110 F %d mph" % w, low[17][w - 6], want, 1)
    for w, want in zip([70, 120, 180], [8.4, 9.9, 10.7]):
        check_anchor("high THW 110 F %d mph" % w, high[17][(w - 70) // 10], want, 1)
    return low, high


# ---------------------------------------------------------------------------
# Equilibrium moisture content of wood.

EMC_ANCHOR_RH = [0, 20, 50, 80, 100]
EMC_ANCHOR_V = [0.5, 45.5, 92.5, 161.5, 220.5]


def emc_temps():
    return [30 + 5 * i for i in range(21)] + [140 + 10 * i for i in range(8)]


def hailwood_horrobin(t, rh):
    """EMC in percent for temperature t (F) and relative humidity rh (%)."""
    h = rh / 100.0
    w = 330 + 0.452 * t + 0.00415 * t * t
    k = 0.791 + 0.000463 * t - 0.000000844 * t * t
    k1 = 6.34 + 0.000775 * t - 0.0000935 * t * t
    k2 = 1.09 + 0.0284 * t - 0.0000904 * t * t
    kh = k * h
    return 1800.0 / w * (kh / (1 - kh) + (k1 * kh + 2 * k1 * k2 * kh * kh) / (1 + k1 * kh + k1 * k2 * kh * kh))


def build_emc():
    # Correction ratio at 70 F for the columns above 0 %; 0 % is the constant offset only.
    ratios = [(v - 0.5) / (10 * hailwood_horrobin(70, rh)) for rh, v in zip(EMC_ANCHOR_RH[1:], EMC_ANCHOR_V[1:])]
    ratio = pchip(EMC_ANCHOR_RH[1:], ratios)
    table = []
    for t in emc_temps():
        table.append([0.5 + 10 * hailwood_horrobin(t, rh) * ratio(max(rh, 20)) for rh in range(101)])
    r70 = emc_temps().index(70)
    for rh, want in zip(EMC_ANCHOR_RH, EMC_ANCHOR_V):
        check_anchor("EMC 70 F %d %%" % rh, table[r70][rh], want, 1)
    for i, row in enumerate(table):
        for c in range(100):
            if row[c + 1] <= row[c]:
                fail("EMC does not rise with humidity in row %d" % i)
        # Drier wood in warmer air; below about 45 F the relation is flat and wobbles by
        # less than a tenth of a percent (one unit here), which is all the tolerance allows.
        if i + 1 < len(table):
            for c in range(101):
                if table[i + 1][c] > row[c] + 1.0:
                    fail("EMC rises with temperature in row %d col %d" % (i, c))
    return table


# ---------------------------------------------------------------------------
# Long-wave humidity term.

VAPOR_ANCHORS = [(-100, -0.0028, -0.00013), (0, -0.0624, -0.00153), (100, -0.4091, -0.00634)]


def vapour(dew_f):
    """Saturation vapour pressure (Magnus, over water) in hPa at dew point dew_f (F)."""
    tc = (dew_f - 32) * 5 / 9
    return 6.112 * math.exp(17.62 * tc / (tc + 243.12))


def build_vapor():
    # v = -b * e^p through the 0 F and 100 F anchors; p comes out as 0.5001, Brunt's
    # square root.
    (t0, v0, _), (t1, v1, _) = VAPOR_ANCHORS[1], VAPOR_ANCHORS[2]
    p = math.log(v1 / v0) / math.log(vapour(t1) / vapour(t0))
    b = -v0 / vapour(t0) ** p

    def term(t):
        return -b * vapour(t) ** p

    table = [(term(t), (term(t + 5) - term(t)) / 5) for t in range(-100, 101, 5)]
    for t, v, s in VAPOR_ANCHORS:
        got_v, got_s = table[(t + 100) // 5]
        check_anchor("vapour value %d F" % t, got_v, v, 4)
        check_anchor("vapour slope %d F" % t, got_s, s, 5)
    for i in range(len(table) - 1):
        if table[i + 1][0] >= table[i][0]:
            fail("vapour term does not fall with dew point at row %d" % i)
    return table, b, p


# ---------------------------------------------------------------------------
# Output.


def fmt(v, places):
    s = "%.*f" % (places, v)
    if s.startswith("-") and float(s) == 0:
        s = s[1:]
    return s + "f"


def emit_rows(out, name, rows, places, per_line):
    out.append("%s = {{" % name)
    for row in rows:
        out.append("    {{")
        for i in range(0, len(row), per_line):
            out.append("        " + ", ".join(fmt(v, places) for v in row[i:i + per_line]) + ",")
        out.append("    }},")
    out.append("}};")
    out.append("")


def main():
    thi = build_thi()
    low_chill, high_chill = build_chill()
    low_thw, high_thw = build_thw()
    emc = build_emc()
    vapor, b, p = build_vapor()

    out = [
        "// Generated by tools/gen_weather_tables.py; do not edit. Regenerate with",
        "//   python3 tools/gen_weather_tables.py > foundation/weather_tables.cc",
        "// The script's header says which relation each table tabulates.",
        "#include \"foundation/weather_tables.h\"",
        "",
        "namespace sq {",
        "",
        "// clang-format off",
    ]
    emit_rows(out, "const std::array<std::array<float, kThiCols>, kThiRows> thiTable", thi, 2, 7)
    emit_rows(out, "const std::array<std::array<double, kLowChillCols>, kChillRows> lowSpeedChillTable",
              low_chill, 3, 10)
    emit_rows(out, "const std::array<std::array<double, kHighChillCols>, kChillRows> hiSpeedChillTable",
              high_chill, 3, 10)
    emit_rows(out, "const std::array<std::array<float, kLowThwCols>, kLowThwRows> lowSpeedTHWtable", low_thw, 3, 13)
    emit_rows(out, "const std::array<std::array<float, kHighThwSlots>, kHighThwRows> hiSpeedTHWtable",
              [r[:12] for r in high_thw], 3, 12)
    emit_rows(out, "const std::array<std::array<float, kEmcCols>, kEmcRows> EMCTable", emc, 2, 10)
    out.append("// term = -%.8f * e^%.6f, e the vapour pressure at the dew point in hPa." % (b, p))
    out.append("const std::array<VaporTerm, kVaporRows> vaporTermTable = {{")
    for v, s in vapor:
        out.append("    {%s, %s}," % (fmt(v, 6), fmt(s, 7)))
    out.append("}};")
    out.append("// clang-format on")
    out.append("")
    out.append("}  // namespace sq")
    print("\n".join(out))


if __name__ == "__main__":
    main()
