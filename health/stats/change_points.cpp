#include "health/stats/change_points.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr int kNotBeaten = std::numeric_limits<int>::max();

// Candidates per smallest block of the lower bounds, and blocks per block
// of the next level up: large enough that a bound costs little next to what
// it covers, small enough that the bound of a block far from the best stays
// above it.
constexpr std::size_t kBranch = 32;

// Pruning passes over every candidate, so it runs at most once every
// (number of candidates) / kPruneEvery ends, which keeps its cost near that
// of evaluating kPruneEvery candidates per end. Dropping a beaten candidate
// later costs its evaluations meanwhile and never changes the result.
constexpr std::size_t kPruneEvery = 64;

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

// The lower bound of a block of candidates, set when the block fills.
//
// For a candidate s and an end t, best(s) + cost(s, t) = square(t) +
// total(s, t), where
//     total(s, t) = base(s) - |sum(t) - sum(s)|^2 / (t - s),
//     base(s) = best(s) - square(s);
// square(t) is the same for every candidate, so totals alone rank them.
// With r the block's first start and m any vector (the mean slope of the
// sums over the block, which keeps the terms below small),
// D(s) = sum(s) - sum(r) - m (s - r) and G(t) = sum(t) - sum(r) - m (t - r),
//     total(s, t) = base(s) + 2 m.D(s) + |m|^2 (s - r)
//                   - 2 m.G(t) - |m|^2 (t - r) - |G(t) - D(s)|^2 / (t - s),
// so the lowest of the first line over the block, the box of D(s) and the
// block's latest start bound every total of the block at every later end.
struct BlockBound {
    double first;         // r
    double latest;        // the latest start
    double first_sum[2];  // sum(r)
    double slope[2];      // m
    double base;          // the lowest of base(s) + 2 m.D(s) + |m|^2 (s - r)
    double scale;         // the largest magnitude of the terms of that, for its rounding
    double low[2];        // the box of D(s)
    double high[2];
};

// Blocks of one width: level 0 holds blocks of kBranch candidates, each
// level up blocks of kBranch blocks of the level below.
struct Level {
    std::size_t width = 0;                 // candidates per block
    std::vector<BlockBound> bounds;        // per full block
    std::vector<int> seen_at;              // per block: the end at which its floor was last taken
    std::vector<unsigned char> ruled_out;  // then: whether the floor ruled the block out
    std::vector<double> floor;             // then
};

// The search over n points with prefix sums `sums`.
//
// The candidate starts of the last segment are held in ascending order as
// arrays of doubles the inner loop streams through. At every end, the blocks
// of the largest width that fit are taken first, then those of the next
// width down over what is left, and so on, and last the newest candidates
// (fewer than kBranch) are evaluated. A block whose floor exceeds the lowest
// total found so far is passed over; any other is taken through its blocks
// one level down or, at level 0, has its totals evaluated.
template <int kDims>
class Search {
  public:
    Search(const PrefixSums& sums, int n, double penalty, int min_segment)
        : sums_(sums),
          n_(n),
          penalty_(penalty),
          min_segment_(min_segment),
          // Pruning asks a candidate to be beaten by this much more than
          // the penalty, and a floor is lowered by as much: far above the
          // rounding error of a total, far below any penalty that matters,
          // so rounding alone never drops or passes over a candidate.
          margin_(1e-10 * (sums.square[static_cast<std::size_t>(n)] + 1.0)) {
        const std::size_t capacity = static_cast<std::size_t>(n) + 1;
        for (std::vector<double>* v : {&start_, &base_, &sum_[0], &sum_[1], &total_}) v->resize(capacity);
        beaten_at_.resize(capacity);
        for (std::size_t width = kBranch; width <= capacity; width *= kBranch) {
            Level level;
            level.width = width;
            level.bounds.resize(capacity / width);
            level.seen_at.assign(capacity / width, -1);
            level.ruled_out.resize(capacity / width);
            level.floor.resize(capacity / width);
            levels_.push_back(std::move(level));
        }
    }

    // Returns the first index of every segment after the first, ascending.
    std::vector<int> Changes() {
        const std::size_t count = static_cast<std::size_t>(n_);
        // best[t]: the lowest cost plus penalties of the first t points, with
        // the penalty of a change before the first segment taken back.
        std::vector<double> best(count + 1, kInfinity);
        std::vector<int> previous(count + 1, 0);
        best[0] = -penalty_;
        std::size_t beaten_left = 0;
        int pruned_at = 0;
        for (int t = min_segment_; t <= n_; ++t) {
            const std::size_t ut = static_cast<std::size_t>(t);
            // The newest start that leaves a last segment of min_segment
            // points, if the points before it can be segmented at all.
            const int newest = t - min_segment_;
            if (newest == 0 || newest >= min_segment_) {
                const std::size_t s = static_cast<std::size_t>(newest);
                Add(newest, best[s] - sums_.square[s], sums_.sum[0][s], sums_.sum[1][s]);
            }
            t_ = t;
            sum_t_[0] = sums_.sum[0][ut];
            sum_t_[1] = sums_.sum[1][ut];
            lowest_ = kInfinity;
            lowest_begin_ = lowest_end_ = 0;
            highest_ = -kInfinity;
            highest_floor_ = -kInfinity;
            std::size_t k = 0;
            for (std::size_t level = levels_.size(); level-- > 0;) {
                for (const std::size_t width = levels_[level].width; k + width <= size_; k += width) {
                    Visit(level, k / width);
                }
            }
            Evaluate(k, size_);
            const std::size_t lowest_at = EarliestLowest();
            best[ut] = sums_.square[ut] + lowest_ + penalty_;
            previous[ut] = static_cast<int>(start_[lowest_at]);

            // A candidate s whose total exceeds the lowest by more than the
            // penalty is beaten by a last change at t at every later end T
            // at which t may be the last change, T >= t + min_segment; until
            // then it stays a candidate.
            const double beaten = lowest_ + penalty_ + margin_;
            if ((highest_ > beaten || highest_floor_ > beaten || beaten_left > 0) &&
                static_cast<std::size_t>(t - pruned_at) * kPruneEvery >= size_) {
                pruned_at = t;
                beaten_left = Prune(beaten, t + 1 - min_segment_);
            }
        }
        std::vector<int> changes;
        for (int t = previous[count]; t > 0; t = previous[static_cast<std::size_t>(t)]) changes.push_back(t);
        std::reverse(changes.begin(), changes.end());
        return changes;
    }

  private:
    void Add(double s, double s_base, double sum0, double sum1) {
        start_[size_] = s;
        base_[size_] = s_base;
        sum_[0][size_] = sum0;
        sum_[1][size_] = sum1;
        beaten_at_[size_] = kNotBeaten;
        ++size_;
        for (Level& level : levels_) {
            if (size_ % level.width == 0)
                level.bounds[size_ / level.width - 1] = Bound(size_ - level.width, size_);
        }
    }

    // The bound of the candidates [first, end), at least two.
    BlockBound Bound(std::size_t first, std::size_t end) const {
        BlockBound block;
        const std::size_t last = end - 1;
        block.first = start_[first];
        block.latest = start_[last];
        for (int d = 0; d < 2; ++d) {
            block.first_sum[d] = sum_[d][first];
            block.slope[d] = (sum_[d][last] - sum_[d][first]) / (start_[last] - start_[first]);
            block.low[d] = kInfinity;
            block.high[d] = -kInfinity;
        }
        const double slope_norm = block.slope[0] * block.slope[0] + block.slope[1] * block.slope[1];
        block.base = kInfinity;
        block.scale = 0.0;
        for (std::size_t k = first; k < end; ++k) {
            const double along = start_[k] - block.first;
            double cross = 0.0;
            double scale = std::abs(base_[k]) + slope_norm * along;
            for (int d = 0; d < 2; ++d) {
                const double off = sum_[d][k] - block.first_sum[d] - block.slope[d] * along;
                cross += block.slope[d] * off;
                scale +=
                    2.0 * std::abs(block.slope[d]) *
                    (std::abs(sum_[d][k]) + std::abs(block.first_sum[d]) + std::abs(block.slope[d] * along));
                block.low[d] = std::min(block.low[d], off);
                block.high[d] = std::max(block.high[d], off);
            }
            block.base = std::min(block.base, base_[k] + 2.0 * cross + slope_norm * along);
            block.scale = std::max(block.scale, scale);
        }
        return block;
    }

    // A lower bound on the totals of a block at the current end as
    // computed: the bound less the margin and an allowance for its rounding.
    double Floor(const BlockBound& block) const {
        const double along = t_ - block.first;
        double pull = 0.0;   // 2 m.G(t) + |m|^2 (t - r)
        double scale = 0.0;  // the magnitude of its terms and of those of G(t)
        double far = 0.0;    // the largest |G(t) - D(s)|^2 over the box
        for (int d = 0; d < kDims; ++d) {
            const double g = sum_t_[d] - block.first_sum[d] - block.slope[d] * along;
            pull += block.slope[d] * (2.0 * g + block.slope[d] * along);
            const double reach = std::max(std::abs(g - block.low[d]), std::abs(g - block.high[d]));
            far += reach * reach;
            const double terms =
                std::abs(sum_t_[d]) + std::abs(block.first_sum[d]) + std::abs(block.slope[d] * along);
            scale +=
                std::abs(block.slope[d]) * (2.0 * terms + std::abs(block.slope[d]) * along) + reach * terms;
        }
        const double spread = far / (t_ - block.latest);
        return block.base - pull - spread - margin_ - kBoundRounding * (block.scale + scale + spread);
    }

    // Passes over block b of `level` if its floor exceeds the lowest total
    // so far (it can then neither hold the lowest nor equal it), else takes
    // it through its blocks one level down or evaluates its totals.
    void Visit(std::size_t level, std::size_t b) {
        Level& at = levels_[level];
        const double floor = Floor(at.bounds[b]);
        at.seen_at[b] = t_;
        at.floor[b] = floor;
        at.ruled_out[b] = floor > lowest_;
        if (at.ruled_out[b]) {
            highest_floor_ = std::max(highest_floor_, floor);
        } else if (level == 0) {
            Evaluate(b * at.width, (b + 1) * at.width);
        } else {
            for (std::size_t child = b * kBranch; child < (b + 1) * kBranch; ++child) Visit(level - 1, child);
        }
    }

    // Stores the totals of candidates [begin, end) at the current end and
    // lowers the lowest and raises the highest to them.
    void Evaluate(std::size_t begin, std::size_t end) {
        const double* const start = start_.data();
        const double* const base = base_.data();
        const double* const sum0 = sum_[0].data();
        const double* const sum1 = sum_[1].data();
        double* const total = total_.data();
        const double t = t_;
        const double previous_lowest = lowest_;
        Pair low = {lowest_, lowest_};
        Pair high = {highest_, highest_};
        std::size_t k = begin;
        for (; k + 2 <= end; k += 2) {
            const Pair d0 = sum_t_[0] - LoadPair(sum0 + k);
            Pair norm = d0 * d0;
            if (kDims == 2) {
                const Pair d1 = sum_t_[1] - LoadPair(sum1 + k);
                norm += d1 * d1;
            }
            const Pair value = LoadPair(base + k) - norm / (t - LoadPair(start + k));
            std::memcpy(total + k, &value, sizeof value);
            low = value < low ? value : low;
            high = value > high ? value : high;
        }
        lowest_ = std::min(low[0], low[1]);
        highest_ = std::max(high[0], high[1]);
        if (k < end) {
            const double d0 = sum_t_[0] - sum0[k];
            double norm = d0 * d0;
            if (kDims == 2) {
                const double d1 = sum_t_[1] - sum1[k];
                norm += d1 * d1;
            }
            total[k] = base[k] - norm / (t - start[k]);
            lowest_ = std::min(lowest_, total[k]);
            highest_ = std::max(highest_, total[k]);
        }
        if (lowest_ < previous_lowest) {
            lowest_begin_ = begin;
            lowest_end_ = end;
        }
    }

    // The earliest candidate whose total is the lowest: in the range that
    // first reached it (ranges are evaluated in ascending order, and a range
    // is recorded only when it lowers the lowest).
    std::size_t EarliestLowest() const {
        for (std::size_t k = lowest_begin_; k < lowest_end_; ++k) {
            if (total_[k] <= lowest_) return k;
        }
        return 0;
    }

    // Marks as beaten at the current end the candidates whose total exceeds
    // `beaten` (judged by the floor of the block passed over where theirs
    // was), drops those beaten at or before `expire`, and sets the bounds
    // afresh if any was dropped. Returns how many beaten candidates are left.
    std::size_t Prune(double beaten, int expire) {
        std::size_t kept = 0;
        std::size_t left_beaten = 0;
        for (std::size_t k = 0; k < size_; ++k) {
            int at = beaten_at_[k];
            if (at == kNotBeaten && Judged(k) > beaten) at = t_;
            if (at <= expire) continue;
            start_[kept] = start_[k];
            base_[kept] = base_[k];
            sum_[0][kept] = sum_[0][k];
            sum_[1][kept] = sum_[1][k];
            beaten_at_[kept] = at;
            left_beaten += at != kNotBeaten;
            ++kept;
        }
        if (kept < size_) {
            size_ = kept;
            for (Level& level : levels_) {
                for (std::size_t b = 0; b < size_ / level.width; ++b) {
                    level.bounds[b] = Bound(b * level.width, (b + 1) * level.width);
                }
            }
        }
        return left_beaten;
    }

    // Candidate k's total at the current end, or the floor of the block
    // passed over that held it.
    double Judged(std::size_t k) const {
        for (const Level& level : levels_) {
            const std::size_t b = k / level.width;
            if (b < size_ / level.width && level.seen_at[b] == t_) {
                return level.ruled_out[b] ? level.floor[b] : total_[k];
            }
        }
        return total_[k];
    }

    const PrefixSums& sums_;
    const int n_;
    const double penalty_;
    const int min_segment_;
    const double margin_;

    // The candidates.
    std::size_t size_ = 0;
    std::vector<double> start_;
    std::vector<double> base_;
    std::vector<double> sum_[2];
    std::vector<int> beaten_at_;  // the first end at which the candidate was beaten, or kNotBeaten
    std::vector<double> total_;   // at the current end, where evaluated
    std::vector<Level> levels_;

    // The current end.
    int t_ = 0;
    double sum_t_[2] = {0.0, 0.0};
    double lowest_ = kInfinity;     // the lowest total so far
    std::size_t lowest_begin_ = 0;  // the range of candidates evaluated that first reached it
    std::size_t lowest_end_ = 0;
    double highest_ = -kInfinity;        // the highest evaluated total
    double highest_floor_ = -kInfinity;  // the highest floor of a block passed over
};

}  // namespace

std::vector<int> FindChangePoints(const std::vector<double>& points, int dims, double penalty,
                                  int min_segment) {
    const int n = static_cast<int>(points.size()) / dims;
    if (min_segment < 1) min_segment = 1;
    if (n < 2 * min_segment) return {};
    const PrefixSums sums(points, dims, static_cast<std::size_t>(n));
    return dims == 2 ? Search<2>(sums, n, penalty, min_segment).Changes()
                     : Search<1>(sums, n, penalty, min_segment).Changes();
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
