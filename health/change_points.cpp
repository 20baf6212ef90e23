#include "health/change_points.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr int kNotBeaten = std::numeric_limits<int>::max();

// Candidates per block of the lower bounds: large enough that a block's
// bound costs little next to its candidates, small enough that the bound of
// a block far from the best stays above it.
constexpr std::size_t kBlock = 32;

// Relative rounding allowance of a bound: many times the rounding error of
// its twenty-odd operations, relative to the magnitude of their terms.
constexpr double kBoundRounding = 1e-12;

// Two doubles handled by one vector instruction (SSE2 on every x86-64
// processor). The arithmetic is element by element and IEEE in each lane,
// with no fused multiply-add, so a lane rounds exactly as the same scalar
// operation would.
typedef double Pair __attribute__((vector_size(2 * sizeof(double))));

Pair LoadPair(const double* p) {
    Pair v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Prefix sums of the points, centred on their mean (which changes no cost
// but keeps the sums small): per axis, and of the squared norms.
struct PrefixSums {
    std::vector<double> sum[2];  // n + 1 per axis; the second axis all 0 with one
    std::vector<double> square;  // n + 1

    PrefixSums(const std::vector<double>& points, int dims, std::size_t n) {
        const std::size_t axes = static_cast<std::size_t>(dims);
        double mean[2] = {0.0, 0.0};
        for (std::size_t d = 0; d < axes; ++d) {
            for (std::size_t i = 0; i < n; ++i) mean[d] += points[i * axes + d];
            mean[d] /= static_cast<double>(n);
        }
        sum[0].assign(n + 1, 0.0);
        sum[1].assign(n + 1, 0.0);
        square.assign(n + 1, 0.0);
        for (std::size_t i = 0; i < n; ++i) {
            double norm = 0.0;
            for (std::size_t d = 0; d < axes; ++d) {
                const double v = points[i * axes + d] - mean[d];
                sum[d][i + 1] = sum[d][i] + v;
                norm += v * v;
            }
            square[i + 1] = square[i] + norm;
        }
    }
};

// The candidate starts of the last segment, in ascending order, held as
// arrays of doubles the inner loop streams through. For a candidate s and an
// end t, best(s) + cost(s, t) = square(t) + total(s, t), where
//     total(s, t) = base(s) - |sum(t) - sum(s)|^2 / (t - s),
//     base(s) = best(s) - square(s);
// square(t) is the same for every candidate, so totals alone rank them.
//
// Every kBlock consecutive candidates form a block with what bounds their
// totals from below at any later end. With r the block's first start and m
// any vector (the block's mean slope of the sums, which keeps the terms
// below small), D(s) = sum(s) - sum(r) - m (s - r) and
// G(t) = sum(t) - sum(r) - m (t - r),
//     total(s, t) = base(s) + 2 m.D(s) + |m|^2 (s - r)
//                   - 2 m.G(t) - |m|^2 (t - r) - |G(t) - D(s)|^2 / (t - s),
// so the lowest of the first line over the block, the box of D(s) and the
// block's latest start bound every total of the block.
struct Candidates {
    std::size_t size = 0;
    std::vector<double> start;
    std::vector<double> base;
    std::vector<double> sum[2];
    std::vector<int> beaten_at;  // the first end at which the candidate was beaten, or kNotBeaten
    std::vector<double> total;   // at the current end; only in the blocks evaluated

    // Per full block.
    struct Block {
        double first;         // r
        double latest;        // the latest start
        double first_sum[2];  // sum(r)
        double slope[2];      // m
        double base;          // the lowest of base(s) + 2 m.D(s) + |m|^2 (s - r)
        double scale;         // the largest magnitude of the terms of that, for rounding
        double low[2];        // the box of D(s)
        double high[2];
    };
    std::vector<Block> blocks;
    std::vector<double> floor;             // per block at the current end: a lower bound of its totals
    std::vector<unsigned char> evaluated;  // per block at the current end

    explicit Candidates(std::size_t capacity) {
        for (std::vector<double>* v : {&start, &base, &sum[0], &sum[1], &total}) v->resize(capacity);
        beaten_at.resize(capacity);
        blocks.resize(capacity / kBlock + 1);
        floor.resize(capacity / kBlock + 1);
        evaluated.resize(capacity / kBlock + 1);
    }

    std::size_t FullBlocks() const { return size / kBlock; }

    // Sets the bounds of full block b from its candidates.
    void Seal(std::size_t b) {
        Block& block = blocks[b];
        const std::size_t first = b * kBlock;
        const std::size_t last = first + kBlock - 1;
        block.first = start[first];
        block.latest = start[last];
        for (int d = 0; d < 2; ++d) {
            block.first_sum[d] = sum[d][first];
            block.slope[d] = (sum[d][last] - sum[d][first]) / (start[last] - start[first]);
            block.low[d] = kInfinity;
            block.high[d] = -kInfinity;
        }
        const double slope_norm = block.slope[0] * block.slope[0] + block.slope[1] * block.slope[1];
        block.base = kInfinity;
        block.scale = 0.0;
        for (std::size_t k = first; k <= last; ++k) {
            const double along = start[k] - block.first;
            double cross = 0.0;
            double scale = std::abs(base[k]) + slope_norm * along;
            for (int d = 0; d < 2; ++d) {
                const double off = sum[d][k] - block.first_sum[d] - block.slope[d] * along;
                cross += block.slope[d] * off;
                scale +=
                    2.0 * std::abs(block.slope[d]) *
                    (std::abs(sum[d][k]) + std::abs(block.first_sum[d]) + std::abs(block.slope[d] * along));
                block.low[d] = std::min(block.low[d], off);
                block.high[d] = std::max(block.high[d], off);
            }
            block.base = std::min(block.base, base[k] + 2.0 * cross + slope_norm * along);
            block.scale = std::max(block.scale, scale);
        }
    }

    void Add(double s, double s_base, double sum0, double sum1) {
        start[size] = s;
        base[size] = s_base;
        sum[0][size] = sum0;
        sum[1][size] = sum1;
        beaten_at[size] = kNotBeaten;
        if (++size % kBlock == 0) Seal(size / kBlock - 1);
    }

    // Marks as beaten at t the candidates whose total exceeds `beaten`
    // (judged by their block's floor where the block was not evaluated),
    // drops those beaten at or before `expire`, and rebuilds the bounds if
    // any was dropped. Returns how many beaten candidates are left.
    std::size_t Prune(int t, double beaten, int expire) {
        const std::size_t full = FullBlocks();
        std::size_t kept = 0;
        std::size_t left_beaten = 0;
        for (std::size_t k = 0; k < size; ++k) {
            const std::size_t b = k / kBlock;
            const double value = b < full && !evaluated[b] ? floor[b] : total[k];
            int at = beaten_at[k];
            if (at == kNotBeaten && value > beaten) at = t;
            if (at <= expire) continue;
            start[kept] = start[k];
            base[kept] = base[k];
            sum[0][kept] = sum[0][k];
            sum[1][kept] = sum[1][k];
            beaten_at[kept] = at;
            left_beaten += at != kNotBeaten;
            ++kept;
        }
        if (kept < size) {
            size = kept;
            for (std::size_t b = 0; b < FullBlocks(); ++b) Seal(b);
        }
        return left_beaten;
    }
};

// Given the candidates, an end t, the sums at t and the pruning margin,
// returns a lower bound on the totals of full block b as computed: the bound
// less the margin and an allowance for its rounding.
template <int kDims>
double BlockFloor(const Candidates& c, std::size_t b, double t, const double* sum_t, double margin) {
    const Candidates::Block& block = c.blocks[b];
    const double along = t - block.first;
    double pull = 0.0;   // 2 m.G(t) + |m|^2 (t - r)
    double scale = 0.0;  // the magnitude of its terms and of those of G(t)
    double far = 0.0;    // the largest |G(t) - D(s)|^2 over the box
    for (int d = 0; d < kDims; ++d) {
        const double g = sum_t[d] - block.first_sum[d] - block.slope[d] * along;
        pull += block.slope[d] * (2.0 * g + block.slope[d] * along);
        const double reach = std::max(std::abs(g - block.low[d]), std::abs(g - block.high[d]));
        far += reach * reach;
        const double terms =
            std::abs(sum_t[d]) + std::abs(block.first_sum[d]) + std::abs(block.slope[d] * along);
        scale += std::abs(block.slope[d]) * (2.0 * terms + std::abs(block.slope[d]) * along) + reach * terms;
    }
    const double spread = far / (t - block.latest);
    const double bound = block.base - pull - spread;
    return bound - margin - kBoundRounding * (block.scale + scale + spread);
}

// Stores the totals of candidates [begin, end) at end t and lowers `lowest`
// and raises `highest` to them.
template <int kDims>
void EvaluateBlock(Candidates& c, std::size_t begin, std::size_t end, double t, const double* sum_t,
                   double& lowest, double& highest) {
    const double* const start = c.start.data();
    const double* const base = c.base.data();
    const double* const sum0 = c.sum[0].data();
    const double* const sum1 = c.sum[1].data();
    double* const total = c.total.data();
    Pair low = {lowest, lowest};
    Pair high = {highest, highest};
    std::size_t k = begin;
    for (; k + 2 <= end; k += 2) {
        const Pair d0 = sum_t[0] - LoadPair(sum0 + k);
        Pair norm = d0 * d0;
        if (kDims == 2) {
            const Pair d1 = sum_t[1] - LoadPair(sum1 + k);
            norm += d1 * d1;
        }
        const Pair value = LoadPair(base + k) - norm / (t - LoadPair(start + k));
        std::memcpy(total + k, &value, sizeof value);
        low = value < low ? value : low;
        high = value > high ? value : high;
    }
    lowest = std::min(low[0], low[1]);
    highest = std::max(high[0], high[1]);
    if (k < end) {
        const double d0 = sum_t[0] - sum0[k];
        double norm = d0 * d0;
        if (kDims == 2) {
            const double d1 = sum_t[1] - sum1[k];
            norm += d1 * d1;
        }
        total[k] = base[k] - norm / (t - start[k]);
        lowest = std::min(lowest, total[k]);
        highest = std::max(highest, total[k]);
    }
}

// The search over n points with prefix sums `sums`; returns the changes.
template <int kDims>
std::vector<int> Search(const PrefixSums& sums, int n, double penalty, int min_segment) {
    const std::size_t count = static_cast<std::size_t>(n);
    // Pruning asks a candidate to be beaten by this much more than the
    // penalty: far above the rounding error of a total, far below any
    // penalty that matters, so rounding alone never drops a candidate.
    const double margin = 1e-10 * (sums.square[count] + 1.0);
    // best[t]: the lowest cost plus penalties of the first t points, with
    // the penalty of a change before the first segment taken back.
    std::vector<double> best(count + 1, kInfinity);
    std::vector<int> previous(count + 1, 0);
    best[0] = -penalty;
    Candidates c(count + 1);
    std::size_t beaten_left = 0;
    for (int t = min_segment; t <= n; ++t) {
        const std::size_t ut = static_cast<std::size_t>(t);
        // The newest start that leaves a last segment of min_segment points,
        // if the points before it can be segmented at all.
        const int newest = t - min_segment;
        if (newest == 0 || newest >= min_segment) {
            const std::size_t s = static_cast<std::size_t>(newest);
            c.Add(newest, best[s] - sums.square[s], sums.sum[0][s], sums.sum[1][s]);
        }
        const double sum_t[2] = {sums.sum[0][ut], sums.sum[1][ut]};
        // The totals of every full block whose floor does not exceed the
        // lowest total so far (the others cannot hold the lowest, nor equal
        // it), then those of the candidates after the last full block.
        double lowest = kInfinity;
        double highest = -kInfinity;
        const std::size_t full = c.FullBlocks();
        for (std::size_t b = 0; b < full; ++b) {
            c.floor[b] = BlockFloor<kDims>(c, b, t, sum_t, margin);
            c.evaluated[b] = !(c.floor[b] > lowest);
            if (c.evaluated[b])
                EvaluateBlock<kDims>(c, b * kBlock, (b + 1) * kBlock, t, sum_t, lowest, highest);
        }
        EvaluateBlock<kDims>(c, full * kBlock, c.size, t, sum_t, lowest, highest);
        // The earliest candidate with the lowest total.
        std::size_t lowest_at = 0;
        for (std::size_t k = 0; k < c.size; ++k) {
            if (k / kBlock < full && !c.evaluated[k / kBlock]) {
                k += kBlock - 1;
            } else if (c.total[k] <= lowest) {
                lowest_at = k;
                break;
            }
        }
        best[ut] = sums.square[ut] + lowest + penalty;
        previous[ut] = static_cast<int>(c.start[lowest_at]);

        // A candidate s whose total exceeds the lowest by more than the
        // penalty is beaten by a last change at t for every later end T at
        // which t may be the last change, T >= t + min_segment; until then
        // it stays a candidate.
        const double beaten = lowest + penalty + margin;
        bool any_beaten = highest > beaten;
        for (std::size_t b = 0; b < full && !any_beaten; ++b) {
            any_beaten = !c.evaluated[b] && c.floor[b] > beaten;
        }
        if (any_beaten || beaten_left > 0) beaten_left = c.Prune(t, beaten, t + 1 - min_segment);
    }
    std::vector<int> changes;
    for (int t = previous[count]; t > 0; t = previous[static_cast<std::size_t>(t)]) changes.push_back(t);
    std::reverse(changes.begin(), changes.end());
    return changes;
}

}  // namespace

std::vector<int> FindChangePoints(const std::vector<double>& points, int dims, double penalty,
                                  int min_segment) {
    const int n = static_cast<int>(points.size()) / dims;
    if (min_segment < 1) min_segment = 1;
    if (n < 2 * min_segment) return {};
    const PrefixSums sums(points, dims, static_cast<std::size_t>(n));
    return dims == 2 ? Search<2>(sums, n, penalty, min_segment) : Search<1>(sums, n, penalty, min_segment);
}

StepSize MeasureStep(const std::vector<double>& days, const std::vector<double>& points, int dims, int begin,
                     int at, int end) {
    StepSize result;
    const double t0 = days[static_cast<std::size_t>(at)];
    for (int d = 0; d < dims; ++d) {
        // Normal equations of the three parameters a, b, c.
        double n = 0, st = 0, stt = 0, sh = 0, sth = 0, sy = 0, sty = 0, shy = 0;
        double count_before = 0, sum_before = 0, count_after = 0, sum_after = 0;
        for (int i = begin; i < end; ++i) {
            const double t = days[static_cast<std::size_t>(i)] - t0;
            const double h = i >= at ? 1.0 : 0.0;
            const double y = points[static_cast<std::size_t>(i * dims + d)];
            n += 1;
            st += t;
            stt += t * t;
            sh += h;
            sth += t * h;
            sy += y;
            sty += t * y;
            shy += h * y;
            (h > 0 ? count_after : count_before) += 1;
            (h > 0 ? sum_after : sum_before) += y;
        }
        if (count_before == 0 || count_after == 0) continue;
        const double mean_step = sum_after / count_after - sum_before / count_before;
        result.step[d] = mean_step;
        if (count_before < 2 || count_after < 2 || n < 4) continue;
        // Solve [[n st sh][st stt sth][sh sth sh]] (a b c) = (sy sty shy) by Cramer's rule.
        const double m[3][3] = {{n, st, sh}, {st, stt, sth}, {sh, sth, sh}};
        const double r[3] = {sy, sty, shy};
        const auto det3 = [](const double a[3][3]) {
            return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                   a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                   a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
        };
        const double det = det3(m);
        const double scale = n * stt * sh;
        if (!(std::fabs(det) > 1e-9 * std::fabs(scale))) continue;
        double mb[3][3];
        double mc[3][3];
        for (int row = 0; row < 3; ++row) {
            for (int col = 0; col < 3; ++col) {
                mb[row][col] = col == 1 ? r[row] : m[row][col];
                mc[row][col] = col == 2 ? r[row] : m[row][col];
            }
        }
        result.slope[d] = det3(mb) / det;
        result.step[d] = det3(mc) / det;
    }
    return result;
}
