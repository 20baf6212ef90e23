#include "health/findings/site_weather.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <utility>

#include "health/stats/no_value.h"

namespace {

struct NightDeficit {
    long long night;
    double deficit;
    bool in_drop;  // inside a drop of the camera's own found so far
};
using NightDeficits = std::vector<NightDeficit>;  // ascending nights

// Per night, the deepest dip of the camera below its site envelope, less the
// depth of any drop of its own found so far (that part is not weather).
NightDeficits DeficitByNight(const CameraAnalysis& camera, const std::vector<double>& own_drop_mag) {
    const std::vector<double>& zp = camera.quantities.zero_point;
    const std::vector<double>& envelope = camera.envelopes.site_envelope;
    NightDeficits nights;
    for (std::size_t i = 0; i < zp.size(); ++i) {
        const double own_drop = i < own_drop_mag.size() ? own_drop_mag[i] : 0.0;
        const double deficit = envelope[i] - zp[i] - own_drop;
        if (!std::isfinite(deficit)) continue;
        const long long night = NightOf(camera.quantities, i);
        if (!nights.empty() && nights.back().night == night) {
            nights.back().deficit = std::max(nights.back().deficit, deficit);
            nights.back().in_drop = nights.back().in_drop || own_drop > 0;
        } else {
            nights.push_back({night, deficit, own_drop > 0});
        }
    }
    for (NightDeficit& night : nights) night.deficit = std::max(0.0, night.deficit);
    return nights;
}

bool ShareSite(const NightDeficits& a, const NightDeficits& b) {
    long long common = 0, dips_a = 0, dips_b = 0, dips_both = 0;
    for (std::size_t i = 0, j = 0; i < a.size() && j < b.size();) {
        if (a[i].night < b[j].night) {
            ++i;
        } else if (b[j].night < a[i].night) {
            ++j;
        } else {
            const bool dip_a = a[i].deficit >= kDipMag;
            const bool dip_b = b[j].deficit >= kDipMag;
            ++common;
            dips_a += dip_a;
            dips_b += dip_b;
            dips_both += dip_a && dip_b;
            ++i;
            ++j;
        }
    }
    if (dips_both < kMinCommonDips) return false;
    const double expected =
        static_cast<double>(dips_a) * static_cast<double>(dips_b) / static_cast<double>(common);
    return static_cast<double>(dips_both) >= kMinDipLift * expected &&
           static_cast<double>(dips_both) >=
               kMinSharedDipFraction * static_cast<double>(std::min(dips_a, dips_b));
}

int Root(std::vector<int>& parent, int i) {
    while (parent[static_cast<std::size_t>(i)] != i) {
        parent[static_cast<std::size_t>(i)] =
            parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(i)])];
        i = parent[static_cast<std::size_t>(i)];
    }
    return i;
}

// The camera's entry for a night, or nullptr when it did not calibrate then.
const NightDeficit* NightEntry(const NightDeficits& nights, long long night) {
    const auto found =
        std::lower_bound(nights.begin(), nights.end(), night,
                         [](const NightDeficit& n, long long value) { return n.night < value; });
    return found != nights.end() && found->night == night ? &*found : nullptr;
}

}  // namespace

long long NightOf(const CameraQuantities& camera, std::size_t index) {
    return static_cast<long long>(std::floor(camera.days[index] + 0.5 - camera.typical_hour_ut / 24.0));
}

void RemoveSharedLosses(const std::vector<CameraAnalysis>& cameras, const std::vector<SiteWeather>& sites,
                        std::vector<std::vector<Finding>>& losses) {
    const auto nights = [&](std::size_t c, const Finding& f) {
        const CameraQuantities& camera = cameras[c].quantities;
        return std::make_pair(NightOf(camera, static_cast<std::size_t>(f.first)),
                              NightOf(camera, static_cast<std::size_t>(f.last)));
    };
    std::vector<std::vector<bool>> shared(losses.size());
    for (std::size_t c = 0; c < losses.size(); ++c) shared[c].assign(losses[c].size(), false);
    for (std::size_t a = 0; a < losses.size(); ++a) {
        for (std::size_t b = a + 1; b < losses.size(); ++b) {
            if (sites[a].site_group < 0 || sites[a].site_group != sites[b].site_group) continue;
            for (std::size_t i = 0; i < losses[a].size(); ++i) {
                for (std::size_t j = 0; j < losses[b].size(); ++j) {
                    const auto [first_a, last_a] = nights(a, losses[a][i]);
                    const auto [first_b, last_b] = nights(b, losses[b][j]);
                    if (std::llabs(first_a - first_b) <= kSharedSpellNights &&
                        std::llabs(last_a - last_b) <= kSharedSpellNights)
                        shared[a][i] = shared[b][j] = true;
                }
            }
        }
    }
    for (std::size_t c = 0; c < losses.size(); ++c) {
        std::vector<Finding> kept;
        for (std::size_t i = 0; i < losses[c].size(); ++i) {
            if (!shared[c][i]) kept.push_back(std::move(losses[c][i]));
        }
        losses[c] = std::move(kept);
    }
}

std::vector<SiteWeather> EstimateSiteWeather(const std::vector<CameraAnalysis>& cameras,
                                             const std::vector<std::vector<double>>& own_drop_mag) {
    const int count = static_cast<int>(cameras.size());
    std::vector<NightDeficits> deficits;
    const std::vector<double> none;
    for (std::size_t c = 0; c < cameras.size(); ++c)
        deficits.push_back(DeficitByNight(cameras[c], c < own_drop_mag.size() ? own_drop_mag[c] : none));
    std::vector<int> parent(static_cast<std::size_t>(count));
    std::iota(parent.begin(), parent.end(), 0);
    for (int a = 0; a < count; ++a) {
        for (int b = a + 1; b < count; ++b) {
            if (Root(parent, a) == Root(parent, b)) continue;
            if (ShareSite(deficits[static_cast<std::size_t>(a)], deficits[static_cast<std::size_t>(b)])) {
                parent[static_cast<std::size_t>(Root(parent, b))] = Root(parent, a);
            }
        }
    }
    std::vector<int> members(static_cast<std::size_t>(count), 0);
    for (int c = 0; c < count; ++c) ++members[static_cast<std::size_t>(Root(parent, c))];
    std::vector<SiteWeather> weather(cameras.size());
    for (int c = 0; c < count; ++c) {
        const CameraQuantities& camera = cameras[static_cast<std::size_t>(c)].quantities;
        SiteWeather& site = weather[static_cast<std::size_t>(c)];
        const int root = Root(parent, c);
        site.site_group = members[static_cast<std::size_t>(root)] > 1 ? root : -1;
        site.weather_mag.assign(camera.calibrations.size(), 0.0);
        if (site.site_group < 0) continue;
        for (std::size_t i = 0; i < camera.calibrations.size(); ++i) {
            const long long night = NightOf(camera, i);
            // Site-mates inside a drop of their own tell the weather only as
            // well as that drop's depth is known; the others are asked first.
            double least = kNoValue;
            double least_clear = kNoValue;
            for (int m = 0; m < count; ++m) {
                if (m == c || Root(parent, m) != root) continue;
                const NightDeficit* entry = NightEntry(deficits[static_cast<std::size_t>(m)], night);
                if (entry == nullptr) continue;
                if (!(entry->deficit >= least)) least = entry->deficit;
                if (!entry->in_drop && !(entry->deficit >= least_clear)) least_clear = entry->deficit;
            }
            if (std::isfinite(least_clear)) least = least_clear;
            if (std::isfinite(least)) site.weather_mag[i] = least;
        }
    }
    return weather;
}
