#include "plot/scales.hpp"

#include <cmath>

double linear_scale::operator()(double v) const {
    if (d1 == d0) return r0;
    return r0 + (v - d0) / (d1 - d0) * (r1 - r0);
}

std::vector<double> nice_ticks(double lo, double hi, int count) {
    std::vector<double> ticks;
    if (!std::isfinite(lo) || !std::isfinite(hi) || lo > hi || count < 1) return ticks;
    if (lo == hi) return {lo};
    const double raw = (hi - lo) / count;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double step = power;
    for (double k : {2.0, 5.0, 10.0})
        if (raw > step) step = k * power;
    // Ticks as whole multiples of the step, so 0.1 + 0.2 never shows as 0.30000000000000004.
    const long long first = static_cast<long long>(std::ceil(lo / step - 1e-9));
    const long long last = static_cast<long long>(std::floor(hi / step + 1e-9));
    for (long long k = first; k <= last; ++k) ticks.push_back(static_cast<double>(k) * step);
    return ticks;
}

namespace {

double clamp01(double t) { return t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t); }

unsigned char mix(unsigned char a, unsigned char b, double t) {
    return static_cast<unsigned char>(std::lround(a + (b - a) * t));
}

colour blend(colour a, colour b, double t) { return {mix(a.r, b.r, t), mix(a.g, b.g, t), mix(a.b, b.b, t)}; }

}  // namespace

colour diverging_colour(double t) {
    if (std::isnan(t)) return missing_grey;
    const colour blue{33, 102, 172}, white{247, 247, 247}, red{178, 24, 43};
    if (t < 0.0) return blend(white, blue, clamp01(-t));
    return blend(white, red, clamp01(t));
}

colour sequential_colour(double t) { return blend({198, 219, 239}, {8, 48, 107}, clamp01(t)); }

colour warm_colour(double t) { return blend({253, 141, 60}, {140, 45, 4}, clamp01(t)); }
