#include "health/stats/drop_onset.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kStartStepDays = 0.1;
constexpr double kRampStepDays = 0.25;
constexpr double kMaxRampDays = 20.0;
// Tukey's biweight with c = 4.685 sigma has 95 % asymptotic efficiency on
// normal noise (Beaton and Tukey, Technometrics 16, 1974; Holland and
// Welsch, Commun. Statist. A6, 1977).
constexpr double kTukeyConstant = 4.685;
constexpr int kReweightings = 4;

struct Point {
    double t;          // days
    double d;          // deficit, mag
    double w;          // weight: robust weight times precision
    double precision;  // sigma^2 over this deficit's variance
};

// One start and ramp, with its level and depth fitted.
struct Fit {
    double misfit = HUGE_VAL;  // weighted sum of squared residuals
    double det = 0.0;          // of the weighted normal equations of level and depth
    double start = 0.0;
    double ramp = 0.0;
    double level = 0.0;
    double depth = 0.0;
};

// A start on the grid: the piece of a gap between calibrations it stands
// for, and the first calibration after it.
struct Start {
    double day;
    double width;
    int first;
};

// Given a time, returns the share of the depth reached then by a loss that
// began at start and took ramp days (0: at once).
double Reached(double t, double start, double ramp) {
    if (t <= start) return 0.0;
    if (ramp <= 0.0 || t >= start + ramp) return 1.0;
    return (t - start) / ramp;
}

double Residual(const Point& p, const Fit& fit) {
    return p.d - fit.level - fit.depth * Reached(p.t, fit.start, fit.ramp);
}

// Given the points and a start and ramp, fits level and depth by weighted
// least squares into fit; returns false when the points do not determine
// them or the depth is not positive.
bool FitLevelAndDepth(const std::vector<Point>& points, double start, double ramp, Fit& fit) {
    double sw = 0, sh = 0, shh = 0, sd = 0, shd = 0, sdd = 0;
    for (const Point& p : points) {
        const double h = Reached(p.t, start, ramp);
        const double wh = p.w * h;
        sw += p.w;
        sh += wh;
        shh += wh * h;
        sd += p.w * p.d;
        shd += wh * p.d;
        sdd += p.w * p.d * p.d;
    }
    const double det = sw * shh - sh * sh;
    if (!(det > 1e-12 * sw * sw)) return false;
    const double depth = (sw * shd - sh * sd) / det;
    if (!(depth > 0)) return false;
    const double level = (sd - depth * sh) / sw;
    fit.misfit = sdd - level * sd - depth * shd;
    fit.det = det;
    fit.start = start;
    fit.ramp = ramp;
    fit.level = level;
    fit.depth = depth;
    return true;
}

// Given the calibration times and the range of first calibrations, returns
// the grid of starts: each gap before one of them cut into pieces of at most
// kStartStepDays, at least two (a calibration's own start stands for the day
// before the first calibration).
std::vector<Start> CandidateStarts(const std::vector<double>& days, int earliest, int latest) {
    std::vector<Start> starts;
    for (int k = earliest; k <= latest; ++k) {
        const double end = days[static_cast<std::size_t>(k)];
        const double begin = k > 0 ? days[static_cast<std::size_t>(k - 1)] : end - 1.0;
        const int pieces = std::max(2, static_cast<int>(std::ceil((end - begin) / kStartStepDays)));
        for (int j = 0; j < pieces; ++j)
            starts.push_back({begin + (end - begin) * j / pieces, (end - begin) / pieces, k});
    }
    return starts;
}

// Calls visit(start, fit) for every start of the grid and every ramp that
// ends by the last point, whose fit has a positive depth.
template <typename Visit>
void ForEachFit(const std::vector<Point>& points, const std::vector<Start>& starts, Visit visit) {
    const double last_time = points.back().t;
    Fit fit;
    for (const Start& start : starts) {
        for (int step = 0; step * kRampStepDays <= kMaxRampDays; ++step) {
            const double ramp = step * kRampStepDays;
            if (start.day + ramp > last_time) break;
            if (FitLevelAndDepth(points, start.day, ramp, fit)) visit(start, fit);
        }
    }
}

Fit BestFit(const std::vector<Point>& points, const std::vector<Start>& starts) {
    Fit best;
    ForEachFit(points, starts, [&](const Start&, const Fit& fit) {
        if (fit.misfit < best.misfit) best = fit;
    });
    return best;
}

}  // namespace

DropOnset FitDropOnset(const std::vector<double>& days, const std::vector<double>& deficit,
                       const std::vector<double>& extra_sigma, int from, int to, int earliest, int latest,
                       double sigma, double dating_loss) {
    DropOnset onset;
    std::vector<Point> points;
    for (int i = from; i < to; ++i) {
        const double d = deficit[static_cast<std::size_t>(i)];
        if (!std::isfinite(d)) continue;
        const double extra = extra_sigma.empty() ? 0.0 : extra_sigma[static_cast<std::size_t>(i)];
        const double precision = std::isfinite(extra) ? sigma * sigma / (sigma * sigma + extra * extra) : 1.0;
        points.push_back({days[static_cast<std::size_t>(i)], d, precision, precision});
    }
    if (points.size() < 3 || earliest > latest || !(sigma > 0)) return onset;
    const std::vector<Start> starts = CandidateStarts(days, earliest, latest);

    // Robust weights from the best fit so far: full weight below the model,
    // Tukey's biweight above it.
    const double cutoff = kTukeyConstant * sigma;
    Fit fit = BestFit(points, starts);
    if (!(fit.misfit < HUGE_VAL)) return onset;
    std::vector<Point> weighted = points;
    for (int round = 0; round < kReweightings; ++round) {
        for (Point& p : weighted) {
            const double u = Residual(p, fit) * std::sqrt(p.precision) / cutoff;
            p.w = p.precision * (u <= 0.0 ? 1.0 : u < 1.0 ? (1.0 - u * u) * (1.0 - u * u) : 0.0);
        }
        const Fit next = BestFit(weighted, starts);
        if (!(next.misfit < HUGE_VAL)) break;  // keep the weights of the last fit
        fit = next;
        points = weighted;
    }

    // The weight of every start and ramp: its likelihood with level and depth
    // integrated out, times the width of its piece of time. Summed per first
    // calibration.
    struct Candidate {
        Fit fit;
        double log_weight;
        int first;
    };
    std::vector<Candidate> candidates;
    double best_log = -HUGE_VAL;
    ForEachFit(points, starts, [&](const Start& start, const Fit& f) {
        const double log_weight =
            -f.misfit / (2.0 * sigma * sigma) - 0.5 * std::log(f.det) + std::log(start.width);
        candidates.push_back({f, log_weight, start.first});
        best_log = std::max(best_log, log_weight);
    });
    const int n = static_cast<int>(days.size());
    std::vector<double> mass(static_cast<std::size_t>(latest - earliest + 1), 0.0);
    std::vector<double> dated_mass(static_cast<std::size_t>(n - earliest), 0.0);
    for (const Candidate& c : candidates) {
        const double weight = std::exp(c.log_weight - best_log);
        mass[static_cast<std::size_t>(c.first - earliest)] += weight;
        const double share = std::min(dating_loss, 0.5 * c.fit.depth) / c.fit.depth;
        const double reached_at = c.fit.start + share * c.fit.ramp;
        const int dated = std::max(
            c.first, static_cast<int>(std::lower_bound(days.begin(), days.end(), reached_at) - days.begin()));
        if (dated < n) dated_mass[static_cast<std::size_t>(dated - earliest)] += weight;
    }
    const int chosen = earliest + static_cast<int>(std::max_element(mass.begin(), mass.end()) - mass.begin());
    onset.dated = earliest + static_cast<int>(std::max_element(dated_mass.begin(), dated_mass.end()) -
                                              dated_mass.begin());

    const Candidate* best = nullptr;
    for (const Candidate& c : candidates) {
        if (c.first == chosen && (best == nullptr || c.log_weight > best->log_weight)) best = &c;
    }
    if (best == nullptr) return onset;
    onset.first = chosen;
    onset.start_day = best->fit.start;
    onset.ramp_days = best->fit.ramp;
    onset.level = best->fit.level;
    onset.depth = best->fit.depth;
    onset.full = onset.first;
    while (onset.full + 1 < n &&
           days[static_cast<std::size_t>(onset.full)] < onset.start_day + onset.ramp_days)
        ++onset.full;
    return onset;
}
