#include "foundation/weather_calc.h"

#include <cmath>

#include "foundation/display_units.h"
#include "foundation/weather_tables.h"

namespace sq {
namespace {

bool IsMissing(float v) { return v == kMissingCalc || !std::isfinite(v); }

// Rounds to tenths, halves upwards (also for negative values).
double RoundTenths(double x) { return std::floor(x * 10.0 + 0.5) / 10.0; }

// Magnus saturation vapour pressure over water, hPa, at Tc in C.
double SaturationVapour(double tc) { return 6.112 * std::exp(17.62 * tc / (tc + 243.12)); }

// Low-speed THW correction: 93.2 <= T < 140, 6 <= W <= 70, else 0.
double LowSpeedThw(double t, double w) {
  if (t < 93.2 || t >= 140.0 || w < 6.0 || w > 70.0) return 0.0;
  const int ti = static_cast<int>(std::floor(t - 93.0));
  const double tf = ti > 0 ? t - (ti + 93) : (t - 93.2) / 0.8;
  const int wi = static_cast<int>(w - 6.0);
  double v = lowSpeedTHWtable[ti][wi];
  if (tf > 0.01) v += tf * (lowSpeedTHWtable[ti + 1][wi] - v);
  return RoundTenths(v);
}

// High-speed THW correction: 93.2 <= T < 144, 70 <= W <= 180, else 0.
double HighSpeedThw(double t, double w) {
  if (t < 93.2 || t >= 144.0 || w < 70.0 || w > 180.0) return 0.0;
  const int ti = static_cast<int>(std::floor(t - 93.0));
  const double tf = ti > 0 ? t - (ti + 93) : (t - 93.2) / 0.8;
  const int wi = static_cast<int>((w - 70.0) / 10.0);
  const double wf = (w - 70.0 - 10.0 * wi) / 10.0;
  const auto& tab = hiSpeedTHWtable;
  double v = tab[ti][wi];
  const bool use_t = tf > 0.01;
  const bool use_w = wf > 0.01 && wi + 1 < static_cast<int>(kHighThwCols);
  if (use_t && use_w) {
    const double a = v + wf * (tab[ti][wi + 1] - v);
    const double b = tab[ti + 1][wi] + wf * (tab[ti + 1][wi + 1] - tab[ti + 1][wi]);
    v = a + tf * (b - a);
  } else if (use_t) {
    v += tf * (tab[ti + 1][wi] - v);
  } else if (use_w) {
    v += wf * (tab[ti][wi + 1] - v);
  }
  return RoundTenths(v);
}

}  // namespace

float CalcDew(float T, float RH) {
  if (IsMissing(T) || IsMissing(RH) || RH < 1.0f || RH > 100.0f || T < -100.0f || T > 200.0f) {
    return kMissingCalc;
  }
  const double tc = (T - 32.0) * 5.0 / 9.0;
  const double ln_e = std::log(RH * 0.01 * SaturationVapour(tc));
  double td = (243.12 * ln_e - 440.1) / (19.43 - ln_e);
  if (td > tc) td = tc;
  return static_cast<float>(td * 1.8 + 32.0);
}

float CalcChill(float T, float W) {
  if (IsMissing(T) || IsMissing(W) || T > 220.0f || T < -100.0f || W > 205.0f || W < 0.0f) {
    return kMissingCalc;
  }
  const double t = T;
  const double w = W > 180.0f ? 180.0 : W;
  double chill;
  if (w < 1.0) {
    chill = t;
  } else if (t <= 40.0) {
    const double p = std::pow(w, 0.16);
    chill = 35.74 + 0.6215 * t - 35.75 * p + 0.4275 * t * p;
  } else if (t > 93.10001) {
    chill = t;
  } else {
    const int ti = static_cast<int>(t - 40.0);
    const double tf = t - (ti + 40);
    if (w < 40.0) {
      const int wi = static_cast<int>(w);
      chill = lowSpeedChillTable[ti][wi];
      if (tf > 0.05) {
        if (t < 93.0) {
          chill += tf * (lowSpeedChillTable[ti + 1][wi] - chill);
        } else {
          chill = (chill + 93.2) / 2.0;
        }
      }
    } else {
      const auto& high = hiSpeedChillTable;
      const int wi = static_cast<int>((w - 40.0) / 5.0);
      const double wf = (w - (5.0 * wi + 40.0)) / 5.0;
      // At 180 mph wf is 0 and the next column is never read.
      const bool use_w = wf > 0.1 && wi + 1 < static_cast<int>(kHighChillCols);
      chill = high[ti][wi];
      if (tf > 0.05 && t < 93.0) {
        const double a = chill + tf * (high[ti + 1][wi] - chill);
        if (use_w) {
          const double b = high[ti][wi + 1] + tf * (high[ti + 1][wi + 1] - high[ti][wi + 1]);
          chill = a + wf * (b - a);
        } else {
          chill = a;
        }
      } else if (tf > 0.05) {
        double a = chill;
        if (use_w) a += wf * (high[ti][wi + 1] - chill);
        chill = (a + 93.2) / 2.0;
      } else if (use_w) {
        chill += wf * (high[ti][wi + 1] - chill);
      }
    }
  }
  if (chill > t) chill = t;
  return static_cast<float>(RoundTenths(chill));
}

float CalcHeat(float T, float RH) {
  if (IsMissing(T) || IsMissing(RH) || RH < 0.0f || RH > 100.0f) return kMissingCalc;
  if (T > 250.0f) return 250.0f;
  if (T < -400.0f) return kMissingCalc;
  if (T <= -57.0f) return T;
  const double t = T;
  const double t_int = std::trunc(t);
  const double tf = t - t_int;  // carries the sign of T
  const int ti = static_cast<int>(t_int) - kThiFirstTemp;
  const double r = RH / 5.0;
  const int ri = static_cast<int>(r);
  const double rf = r - ri;
  const auto& thi = thiTable;
  const double h = thi[ti][ri];
  double x;
  if (tf == 0.0 && rf == 0.0) {
    x = h;
  } else if (tf == 0.0) {
    x = h + rf * (thi[ti][ri + 1] - h);
  } else if (rf == 0.0) {
    x = h + tf * (thi[ti + 1][ri] - h);
  } else {
    const double a = h + rf * (thi[ti][ri + 1] - h);
    const double b = thi[ti + 1][ri] + rf * (thi[ti + 1][ri + 1] - thi[ti + 1][ri]);
    x = a + tf * (b - a);
  }
  x = RoundTenths(x);
  return x >= 1000.0 ? kMissingCalc : static_cast<float>(x);
}

float CalcTHW(float T, float RH, float W) {
  if (IsMissing(T) || IsMissing(RH) || IsMissing(W)) return kMissingCalc;
  const float hi = CalcHeat(T, RH);
  if (hi == kMissingCalc) return kMissingCalc;
  if (T <= 93.2f) {
    const float chill = CalcChill(T, W);
    if (chill == kMissingCalc) return hi;
    return hi + chill - T;
  }
  if (T >= 144.0f) return hi;
  const double w = W > 180.0f ? 180.0 : W;
  double thw;
  if (w <= 6.0) {
    thw = hi;
  } else if (w > 70.0) {
    thw = hi + HighSpeedThw(T, w);
  } else {
    thw = hi + LowSpeedThw(T, w);
  }
  return thw >= 1000.0 ? kMissingCalc : static_cast<float>(thw);
}

float CalcTHSW(float T, float RH, float W, float solar) {
  if (IsMissing(solar)) return kMissingCalc;
  const float thw = CalcTHW(T, RH, W);
  if (thw == kMissingCalc) return kMissingCalc;
  const double w = W > 45.0f ? 45.0 : W;
  const double s = w < 6.7 ? 0.101 * solar : 1.1 / (8.0 + 0.45 * w) * solar;
  const double x = RoundTenths(thw + s);
  return x >= 1000.0 ? kMissingCalc : static_cast<float>(x);
}

float CalcAirDensity(float T, float P, float RH) { return CalcAirDensity(T, P, RH, DisplayUnits::densityUnit); }

float CalcAirDensity(float T, float P, float RH, int densityUnit) {
  if (IsMissing(T) || IsMissing(P) || IsMissing(RH)) return kMissingCalc;
  const double tc = (T - 32.0) * 5.0 / 9.0;
  const double p_mm = P * 25.4;
  const double es = SaturationVapour(tc) * 0.7500612746907473;  // hPa -> mmHg
  const double rho = 0.06243 * 1.2929 * 273.13 / (tc + 273.13) * (p_mm - es * RH / 100.0) / 760.0;
  return static_cast<float>(densityUnit == DisplayUnits::kKilogramsPerCubicMetre ? rho * 16.01846 : rho);
}

float CalcEMC(float T, float RH) {
  // The table ends with the 210 F row, used up to 220 F; humidity outside 0..100 %
  // has no column.
  if (IsMissing(T) || IsMissing(RH) || T < 30.0f || T >= 220.0f) return kMissingCalc;
  if (RH < -0.5f || RH >= 100.5f) return kMissingCalc;
  const int ri = static_cast<int>(std::floor(RH + 0.5));
  int ti;
  double step, tf;
  if (T <= 130.0f) {
    ti = static_cast<int>((T - 30.0) / 5.0);
    step = 5.0;
    tf = T - (30.0 + 5.0 * ti);
  } else {
    ti = static_cast<int>((T - 130.0) / 10.0 + 20.0);
    step = 10.0;
    tf = T - (130.0 + 10.0 * (ti - 20));
  }
  double e = EMCTable[ti][ri];
  if (ti < static_cast<int>(kEmcRows) - 1) e += (EMCTable[ti + 1][ri] - e) * tf / step;
  return static_cast<float>(e / 10.0);
}

float CalcWetBulb(float T, float /*RH*/) { return T; }

float InverseSoil(float reading, float soilT) {
  if (IsMissing(reading)) return kMissingCalc;
  if (IsMissing(soilT) || soilT == 75.0f) return reading;
  const double s = soilT < 0.0f ? 0.0 : (soilT > 150.0f ? 150.0 : soilT);
  const double x = reading;
  double p = 0.192039445899 * x - 0.447488004379 - 0.000420779444 * x * x + 1.161958e-06 * x * x * x -
             1.65e-09 * x * x * x * x;
  p = p * (175.0 - s) / 100.0;
  double r = (0.068 * p + 5.2225) * p + 2.3758;
  if (r < 0.0) r = 0.0;
  if (r > 200.0) r = 200.0;
  return static_cast<float>(r);
}

}  // namespace sq
