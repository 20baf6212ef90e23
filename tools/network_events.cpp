#include "tools/network_events.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "common/angles.h"
#include "common/civil_time.h"
#include "common/findings_csv.h"
#include "common/number_text.h"
#include "tools/cal_text.h"
#include "tools/camera_model.h"
#include "tools/network_sample.h"
#include "tools/output_folder.h"
#include "tools/sky_geometry.h"
#include "tools/split_mix.h"

namespace {

constexpr std::int64_t kFirstUnixDay = 16071;  // 2014-01-01
constexpr double kDaysPerYear = 365.25;
constexpr double kTwoPi = 2.0 * kPi;
constexpr int kHighestCameraNumber = 999;

// Rates per camera and year of the injected events.
constexpr double kMovesPerYear = 1.5;
constexpr double kUndoneMoveFraction = 0.5;
constexpr double kOutliersPerYear = 2.0;
constexpr double kRefocusPerYear = 0.7;
constexpr double kDropsPerYear = 1.0;
constexpr double kPoorFitsPerYear = 2.0;
// Events stay clear of the first nights (no baseline yet) and the last ones
// (a change needs later calibrations to show).
constexpr int kQuietFirstNights = 20;
constexpr int kQuietLastNights = 10;
constexpr int kPointingEventSpacing = 8;  // calibrations between moves, undos and outliers
constexpr double kWideFieldFraction = 0.25;
constexpr double kCreepFraction = 0.3;
constexpr double kHazeStartChance = 0.05;  // per site and night
constexpr double kOvercastStartChance = 0.04;
constexpr double kSkippedNightChance = 0.06;
constexpr double kSecondCalibrationChance = 0.15;
constexpr double kPivotMagnitude = 4.5;

struct Event {
    int camera_index;
    FindingKind kind;
    int first;  // calibration index
    double size;
    std::string unit;
    std::string detail;
};

struct Site {
    double longitude_deg, latitude_deg, height_km;
    std::vector<double> haze_mag;  // per night
    std::vector<bool> overcast;    // per night
};

struct Slot {
    std::int64_t unix_ms;
    int night;
};

struct CameraPlan {
    SimulatedCamera camera;
    int site;
    bool wide_field;
    double pointing_sigma_arcmin;
    double pivot_log_inten;
    double zero_point_sigma_mag;
    double seasonal_amplitude_mag, seasonal_phase;
    double haze_factor;
    int clear_star_count;
    double creep_start, creep_days, creep_east_arcmin, creep_north_arcmin;
    std::vector<Slot> slots;
    // Per calibration: pointing offsets (arcmin on the sky), scale factor,
    // zero-point loss, centroid noise.
    std::vector<double> east, north, scale_factor, drop_mag, centroid_px;
    std::vector<bool> pointing_event;  // a move, undo or outlier is there or near
};

int CountFor(double expected, SplitMix64& rng) {
    const double whole = std::floor(expected);
    return static_cast<int>(whole) + (NextUnit(rng) < expected - whole ? 1 : 0);
}

Site MakeSite(const SimulatedCamera& first_camera, int nights, SplitMix64& rng) {
    Site site{first_camera.longitude_deg, first_camera.latitude_deg, first_camera.height_km, {}, {}};
    site.haze_mag.assign(static_cast<std::size_t>(nights), 0.0);
    site.overcast.assign(static_cast<std::size_t>(nights), false);
    for (int night = 0; night < nights; ++night) {
        if (NextUnit(rng) < kOvercastStartChance) {
            const int length = UniformInt(rng, 1, 4);
            for (int k = night; k < std::min(nights, night + length); ++k)
                site.overcast[static_cast<std::size_t>(k)] = true;
        }
        if (NextUnit(rng) < kHazeStartChance) {
            const int length = UniformInt(rng, 2, 6);
            const double depth = UniformIn(rng, 0.2, 1.0);
            for (int k = night; k < std::min(nights, night + length); ++k) {
                site.haze_mag[static_cast<std::size_t>(k)] =
                    std::max(site.haze_mag[static_cast<std::size_t>(k)], depth * UniformIn(rng, 0.7, 1.3));
            }
        }
    }
    return site;
}

void MakeSchedule(CameraPlan& plan, const Site& site, int nights, SplitMix64& rng) {
    for (int night = 0; night < nights; ++night) {
        if (site.overcast[static_cast<std::size_t>(night)] || NextUnit(rng) < kSkippedNightChance) continue;
        double local_hour = UniformIn(rng, 20.0, 23.0);
        const int count = NextUnit(rng) < kSecondCalibrationChance ? 2 : 1;
        for (int k = 0; k < count; ++k) {
            const double ut_hour = local_hour - site.longitude_deg / 15.0;
            const std::int64_t ms =
                (kFirstUnixDay + night) * kMillisecondsPerDay +
                static_cast<std::int64_t>(ut_hour * static_cast<double>(kMillisecondsPerHour));
            plan.slots.push_back({ms, night});
            local_hour += UniformIn(rng, 1.5, 4.0);
        }
    }
}

// First calibration index at or after a night, or -1.
int FirstAtNight(const CameraPlan& plan, int night) {
    for (std::size_t i = 0; i < plan.slots.size(); ++i) {
        if (plan.slots[i].night >= night) return static_cast<int>(i);
    }
    return -1;
}

bool PointingSlotFree(const CameraPlan& plan, int index, int spacing) {
    for (int k = std::max(0, index - spacing);
         k <= std::min(static_cast<int>(plan.slots.size()) - 1, index + spacing); ++k) {
        if (plan.pointing_event[static_cast<std::size_t>(k)]) return false;
    }
    return true;
}

void MarkPointing(CameraPlan& plan, int index) {
    plan.pointing_event[static_cast<std::size_t>(index)] = true;
}

// A random calibration index in the eventful part of the period, or -1.
int EventfulIndex(const CameraPlan& plan, int nights, SplitMix64& rng) {
    const int first = FirstAtNight(plan, kQuietFirstNights);
    const int last = FirstAtNight(plan, nights - kQuietLastNights);
    if (first < 0 || last <= first) return -1;
    return UniformInt(rng, first, last - 1);
}

void AddMoves(CameraPlan& plan, int camera_index, int nights, double years, SplitMix64& rng,
              std::vector<Event>& events) {
    const int count = CountFor(kMovesPerYear * years, rng);
    for (int m = 0; m < count; ++m) {
        for (int attempt = 0; attempt < 50; ++attempt) {
            const int at = EventfulIndex(plan, nights, rng);
            if (at < 0 || !PointingSlotFree(plan, at, kPointingEventSpacing)) continue;
            const double size = UniformIn(rng, 10.0, 60.0);
            const double angle = UniformIn(rng, 0.0, kTwoPi);
            const double east = size * std::cos(angle);
            const double north = size * std::sin(angle);
            int undo = -1;
            if (NextUnit(rng) < kUndoneMoveFraction) {
                undo = FirstAtNight(plan,
                                    plan.slots[static_cast<std::size_t>(at)].night + UniformInt(rng, 14, 42));
                const int last = FirstAtNight(plan, nights - kQuietLastNights);
                if (undo < 0 || last < 0 || undo >= last ||
                    !PointingSlotFree(plan, undo, kPointingEventSpacing))
                    undo = -1;
            }
            // The camera is knocked at `at` and, for some, re-aimed at `undo`
            // to within a couple of arcminutes of where it was.
            const double back_east = undo >= 0 ? -east + UniformIn(rng, -1.5, 1.5) : 0.0;
            const double back_north = undo >= 0 ? -north + UniformIn(rng, -1.5, 1.5) : 0.0;
            for (std::size_t i = static_cast<std::size_t>(at); i < plan.slots.size(); ++i) {
                plan.east[i] += east;
                plan.north[i] += north;
                if (undo >= 0 && static_cast<int>(i) >= undo) {
                    plan.east[i] += back_east;
                    plan.north[i] += back_north;
                }
            }
            MarkPointing(plan, at);
            events.push_back({camera_index, FindingKind::kMoved, at, size, "arcmin",
                              "bump of " + Fixed(size, 1) + " arcmin (east " + Fixed(east, 1) + ", north " +
                                  Fixed(north, 1) + ")"});
            if (undo >= 0) {
                MarkPointing(plan, undo);
                events.push_back({camera_index, FindingKind::kMoved, undo, std::hypot(back_east, back_north),
                                  "arcmin", "re-aimed after the bump of " + Fixed(size, 1) + " arcmin"});
            }
            break;
        }
    }
}

void AddOutliers(CameraPlan& plan, int camera_index, int nights, double years, SplitMix64& rng,
                 std::vector<Event>& events) {
    const int count = CountFor(kOutliersPerYear * years, rng);
    for (int k = 0; k < count; ++k) {
        for (int attempt = 0; attempt < 50; ++attempt) {
            const int at = EventfulIndex(plan, nights, rng);
            if (at < 0 || !PointingSlotFree(plan, at, kPointingEventSpacing / 2)) continue;
            const double size = UniformIn(rng, 10.0, 60.0);
            const double angle = UniformIn(rng, 0.0, kTwoPi);
            plan.east[static_cast<std::size_t>(at)] += size * std::cos(angle);
            plan.north[static_cast<std::size_t>(at)] += size * std::sin(angle);
            MarkPointing(plan, at);
            events.push_back({camera_index, FindingKind::kPointingOutlier, at, size, "arcmin",
                              "one calibration off by " + Fixed(size, 1) + " arcmin"});
            break;
        }
    }
}

void AddRefocus(CameraPlan& plan, int camera_index, int nights, double years, SplitMix64& rng,
                std::vector<Event>& events) {
    const int count = CountFor(kRefocusPerYear * years, rng);
    std::vector<int> used;
    for (int k = 0; k < count; ++k) {
        for (int attempt = 0; attempt < 50; ++attempt) {
            const int at = EventfulIndex(plan, nights, rng);
            if (at < 0 || std::any_of(used.begin(), used.end(),
                                      [at](int u) { return std::abs(u - at) < kPointingEventSpacing; }))
                continue;
            const double percent = UniformIn(rng, 1.0, 3.0) * (NextUnit(rng) < 0.5 ? -1.0 : 1.0);
            for (std::size_t i = static_cast<std::size_t>(at); i < plan.slots.size(); ++i)
                plan.scale_factor[i] *= 1.0 + percent / 100.0;
            used.push_back(at);
            events.push_back({camera_index, FindingKind::kScaleChange, at, percent, "%",
                              "refocus: plate scale " + Fixed(percent, 2) + " %"});
            break;
        }
    }
}

void AddDrops(CameraPlan& plan, int camera_index, int nights, double years, SplitMix64& rng,
              std::vector<Event>& events, std::vector<std::pair<int, int>>& drop_ranges) {
    const int count = CountFor(kDropsPerYear * years, rng);
    std::vector<std::pair<int, int>> taken;  // nights
    for (int k = 0; k < count; ++k) {
        for (int attempt = 0; attempt < 50; ++attempt) {
            const int start_night = UniformInt(rng, kQuietFirstNights,
                                               std::max(kQuietFirstNights, nights - kQuietLastNights - 20));
            const int length = UniformInt(rng, 14, 60);
            const int end_night = start_night + length;  // restored from this night on
            if (end_night >= nights - kQuietLastNights) continue;
            if (std::any_of(taken.begin(), taken.end(), [&](const std::pair<int, int>& t) {
                    return start_night < t.second + 20 && end_night + 20 > t.first;
                })) {
                continue;
            }
            const double depth = UniformIn(rng, 0.5, 1.5);
            const bool ramp = NextUnit(rng) < 0.5;
            const double ramp_days = ramp ? UniformIn(rng, 4.0, 12.0) : 0.0;
            // The drop begins at a random time of its first night's day.
            const double start_day = start_night + UniformIn(rng, 0.0, 0.5);
            int first = -1, last = -1;
            for (std::size_t i = 0; i < plan.slots.size(); ++i) {
                const double day =
                    static_cast<double>(plan.slots[i].unix_ms) / kMillisecondsPerDay - kFirstUnixDay;
                if (day < start_day || plan.slots[i].night >= end_night) continue;
                const double reached = ramp ? std::min(1.0, (day - start_day) / ramp_days) : 1.0;
                plan.drop_mag[i] += depth * reached;
                if (first < 0) first = static_cast<int>(i);
                last = static_cast<int>(i);
            }
            if (first < 0) break;
            taken.emplace_back(start_night, end_night);
            drop_ranges.emplace_back(first, last);
            events.push_back(
                {camera_index, FindingKind::kZeroPointDrop, first, depth, "mag",
                 (ramp ? "gradual drop over " + Fixed(ramp_days, 1) + " days" : std::string("step drop")) +
                     " of " + Fixed(depth, 2) + " mag, restored after " + std::to_string(length) +
                     " nights"});
            break;
        }
    }
}

void AddPoorFits(CameraPlan& plan, int camera_index, int nights, double years, SplitMix64& rng,
                 std::vector<Event>& events) {
    const int count = CountFor(kPoorFitsPerYear * years, rng);
    for (int k = 0; k < count; ++k) {
        for (int attempt = 0; attempt < 50; ++attempt) {
            const int at = EventfulIndex(plan, nights, rng);
            if (at < 0 || plan.pointing_event[static_cast<std::size_t>(at)] ||
                plan.centroid_px[static_cast<std::size_t>(at)] > 0.5)
                continue;
            const double noise = UniformIn(rng, 1.0, 2.5);
            plan.centroid_px[static_cast<std::size_t>(at)] = noise;
            events.push_back({camera_index, FindingKind::kPoorFit, at, noise, "px",
                              "centroid noise " + Fixed(noise, 2) + " px"});
            break;
        }
    }
}

CameraPlan MakePlan(int camera_number, int site_index, const Site* site, int nights, bool plain,
                    SplitMix64& rng) {
    CameraPlan plan{};
    plan.camera = MakeSimulatedCamera(rng, camera_number);
    plan.site = site_index;
    if (site != nullptr) {
        plan.camera.longitude_deg = site->longitude_deg;
        plan.camera.latitude_deg = site->latitude_deg;
        plan.camera.height_km = site->height_km;
    }
    plan.wide_field = NextUnit(rng) < kWideFieldFraction;
    const SimulatedCamera ordinary_optics = plan.camera;
    if (plan.wide_field) {
        const bool pal = NextUnit(rng) < 0.5;
        plan.camera.width_px = pal ? 720 : 640;
        plan.camera.height_px = pal ? 576 : 480;
        plan.camera.arcmin_per_pixel = UniformIn(rng, 4.0, 5.0);
        plan.pointing_sigma_arcmin = UniformIn(rng, 1.5, 2.5);
    } else {
        plan.pointing_sigma_arcmin = UniformIn(rng, 0.1, 0.3) * plan.camera.arcmin_per_pixel;
    }
    plan.camera.position_sigma_arcmin = plan.camera.arcmin_per_pixel * UniformIn(rng, 0.1, 0.2);
    plan.pivot_log_inten = (plan.camera.magfit_icept - kPivotMagnitude) / 2.5;
    plan.zero_point_sigma_mag = UniformIn(rng, 0.03, 0.06);
    plan.seasonal_amplitude_mag = UniformIn(rng, 0.05, 0.2);
    plan.seasonal_phase = UniformIn(rng, 0.0, kTwoPi);
    plan.haze_factor = UniformIn(rng, 0.85, 1.15);
    plan.clear_star_count = UniformInt(rng, 50, 120);
    plan.creep_days = 0.0;
    if (NextUnit(rng) < kCreepFraction) {
        plan.creep_start = UniformIn(rng, 0.0, std::max(1.0, nights - 60.0));
        plan.creep_days = UniformIn(rng, 60.0, 180.0);
        const double total = UniformIn(rng, 2.0, 6.0);
        const double angle = UniformIn(rng, 0.0, kTwoPi);
        plan.creep_east_arcmin = total * std::cos(angle);
        plan.creep_north_arcmin = total * std::sin(angle);
    }
    if (plain) {
        // Every value is drawn as in the full network, so the cameras keep
        // their other traits; the nuisances are then left out: ordinary
        // optics with the middle of the ordinary pointing scatter, no
        // seasonal wave, no creep.
        if (plan.wide_field) {
            const double to_ordinary = ordinary_optics.arcmin_per_pixel / plan.camera.arcmin_per_pixel;
            plan.camera.position_sigma_arcmin *= to_ordinary;
            plan.camera.width_px = ordinary_optics.width_px;
            plan.camera.height_px = ordinary_optics.height_px;
            plan.camera.arcmin_per_pixel = ordinary_optics.arcmin_per_pixel;
            plan.pointing_sigma_arcmin = 0.2 * plan.camera.arcmin_per_pixel;
            plan.wide_field = false;
        }
        plan.seasonal_amplitude_mag = 0.0;
        plan.creep_days = 0.0;
    }
    return plan;
}

bool WriteText(const std::filesystem::path& path, const std::string& text) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.string().c_str(), "wb"),
                                                         &std::fclose);
    if (!file || std::fwrite(text.data(), 1, text.size(), file.get()) != text.size()) {
        std::fprintf(stderr, " Cannot write %s\n", path.string().c_str());
        return false;
    }
    return true;
}

bool ParseNumber(std::string_view text, long long lo, long long hi, long long& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end && value >= lo && value <= hi;
}

// Camera numbers (distinct, drawn from 1..999) and the site of each camera:
// cameras in groups of one to four per site.
struct NetworkLayout {
    std::vector<int> numbers;
    std::vector<int> site_of;
};

NetworkLayout PlanLayout(const EventNetworkRequest& request) {
    SplitMix64 layout = StreamFor(request.seed, 0);
    NetworkLayout plan;
    plan.numbers.resize(kHighestCameraNumber);
    for (int i = 0; i < kHighestCameraNumber; ++i) plan.numbers[static_cast<std::size_t>(i)] = i + 1;
    for (int i = kHighestCameraNumber - 1; i > 0; --i)
        std::swap(plan.numbers[static_cast<std::size_t>(i)],
                  plan.numbers[static_cast<std::size_t>(UniformInt(layout, 0, i))]);
    plan.site_of.resize(static_cast<std::size_t>(request.camera_count));
    int sites = 0;
    for (int c = 0; c < request.camera_count;) {
        const double draw = NextUnit(layout);
        const int size = draw < 0.25 ? 1 : draw < 0.6 ? 2 : draw < 0.85 ? 3 : 4;
        for (int k = 0; k < size && c < request.camera_count; ++k)
            plan.site_of[static_cast<std::size_t>(c++)] = sites;
        ++sites;
    }
    return plan;
}

// Camera c of the network: its plan, schedule and injected events (added to
// events); the first camera of a site makes the site's weather.
CameraPlan PlanCamera(int c, const NetworkLayout& layout, const EventNetworkRequest& request,
                      std::vector<Site>& sites, std::vector<Event>& events) {
    SplitMix64 rng = StreamFor(request.seed, static_cast<std::uint64_t>(c) + 1);
    const int s = layout.site_of[static_cast<std::size_t>(c)];
    const bool first_at_site = static_cast<int>(sites.size()) == s;
    CameraPlan plan = MakePlan(layout.numbers[static_cast<std::size_t>(c)], s,
                               first_at_site ? nullptr : &sites[static_cast<std::size_t>(s)], request.nights,
                               request.plain, rng);
    if (first_at_site) {
        SplitMix64 weather = StreamFor(request.seed, 100000 + static_cast<std::uint64_t>(s));
        sites.push_back(MakeSite(plan.camera, request.nights, weather));
        if (request.plain) {  // clear skies every night
            sites.back().haze_mag.assign(sites.back().haze_mag.size(), 0.0);
            sites.back().overcast.assign(sites.back().overcast.size(), false);
        }
    }
    MakeSchedule(plan, sites[static_cast<std::size_t>(s)], request.nights, rng);
    const std::size_t n = plan.slots.size();
    plan.east.assign(n, 0.0);
    plan.north.assign(n, 0.0);
    plan.scale_factor.assign(n, 1.0);
    plan.drop_mag.assign(n, 0.0);
    plan.centroid_px.assign(n, 0.0);
    plan.pointing_event.assign(n, false);
    const double years = request.nights / kDaysPerYear;
    std::vector<std::pair<int, int>> drop_ranges;
    AddMoves(plan, c, request.nights, years, rng, events);
    AddOutliers(plan, c, request.nights, years, rng, events);
    AddRefocus(plan, c, request.nights, years, rng, events);
    AddDrops(plan, c, request.nights, years, rng, events, drop_ranges);
    AddPoorFits(plan, c, request.nights, years, rng, events);
    return plan;
}

// The nuisances of one camera, as rows of network_nuisances.csv.
void AppendCameraNuisances(std::string& nuisances, const CameraPlan& plan, int nights) {
    const std::string camera_text = std::to_string(plan.camera.camera_number);
    nuisances += "camera_site," + camera_text + ",0," + std::to_string(nights) + "," +
                 std::to_string(plan.site) + ",site\r\n";
    if (plan.wide_field)
        nuisances += "wide_field," + camera_text + ",0," + std::to_string(nights) + "," +
                     Fixed(plan.pointing_sigma_arcmin, 2) + ",arcmin\r\n";
    if (plan.creep_days > 0) {
        nuisances += "creep," + camera_text + "," + Fixed(plan.creep_start, 0) + "," +
                     Fixed(plan.creep_days, 0) + "," +
                     Fixed(std::hypot(plan.creep_east_arcmin, plan.creep_north_arcmin), 2) + ",arcmin\r\n";
    }
    if (plan.seasonal_amplitude_mag > 0)
        nuisances += "seasonal_wave," + camera_text + ",0," + std::to_string(nights) + "," +
                     Fixed(plan.seasonal_amplitude_mag, 3) + ",mag\r\n";
}

// The haze spells of every site, as rows of network_nuisances.csv.
void AppendHazeNuisances(std::string& nuisances, const std::vector<Site>& sites, int nights) {
    for (std::size_t s = 0; s < sites.size(); ++s) {
        const Site& site = sites[s];
        for (int night = 0; night < nights;) {
            if (site.haze_mag[static_cast<std::size_t>(night)] <= 0) {
                ++night;
                continue;
            }
            int end = night;
            double deepest = 0;
            while (end < nights && site.haze_mag[static_cast<std::size_t>(end)] > 0)
                deepest = std::max(deepest, site.haze_mag[static_cast<std::size_t>(end++)]);
            nuisances += "haze," + std::to_string(s) + "," + std::to_string(night) + "," +
                         std::to_string(end - night) + "," + Fixed(deepest, 2) + ",mag\r\n";
            night = end;
        }
    }
}

// The conditions of calibration i of a camera: its pointing with noise and
// creep, its scale, and its zero point with the season, the site's haze and
// the drops.
NightConditions ConditionsOf(const CameraPlan& plan, const Site& site, std::size_t i, SplitMix64& rng) {
    const Slot& slot = plan.slots[i];
    const double cos_el = std::cos(plan.camera.elevation_deg * kRadiansPerDegree);
    const double day = static_cast<double>(slot.unix_ms) / kMillisecondsPerDay - kFirstUnixDay;
    double east = plan.east[i] + plan.pointing_sigma_arcmin * NextGaussian(rng);
    double north = plan.north[i] + plan.pointing_sigma_arcmin * NextGaussian(rng);
    if (plan.creep_days > 0) {
        const double reached = std::clamp((day - plan.creep_start) / plan.creep_days, 0.0, 1.0);
        east += plan.creep_east_arcmin * reached;
        north += plan.creep_north_arcmin * reached;
    }
    NightConditions night{};
    night.pose.azimuth_deg = plan.camera.azimuth_deg + east / cos_el / 60.0;
    night.pose.elevation_deg = plan.camera.elevation_deg + north / 60.0;
    night.pose.roll_deg = plan.camera.roll_deg + 0.03 * NextGaussian(rng);
    night.pose.arcmin_per_pixel =
        plan.camera.arcmin_per_pixel * plan.scale_factor[i] * (1.0 + 0.0005 * NextGaussian(rng));
    const double haze = site.haze_mag[static_cast<std::size_t>(slot.night)] * plan.haze_factor;
    const double seasonal =
        plan.seasonal_amplitude_mag * std::sin(kTwoPi * day / kDaysPerYear + plan.seasonal_phase);
    const double loss = plan.drop_mag[i] + haze;
    night.pivot_log_inten = plan.pivot_log_inten;
    night.zero_point_mag = kPivotMagnitude + seasonal - loss + plan.zero_point_sigma_mag * NextGaussian(rng);
    night.sensitivity_loss_mag = loss + std::max(0.0, -seasonal);
    night.centroid_noise_px = plan.centroid_px[i] > 0
                                  ? plan.centroid_px[i]
                                  : plan.camera.position_sigma_arcmin / plan.camera.arcmin_per_pixel;
    night.star_count =
        std::max(0, static_cast<int>(std::lround(plan.clear_star_count * UniformIn(rng, 0.85, 1.15))));
    return night;
}

// Writes every calibration of every camera; returns how many, or -1 after a
// message when one cannot be written.
int WriteCalibrations(const std::filesystem::path& folder, const std::vector<CameraPlan>& plans,
                      const std::vector<Site>& sites, std::uint64_t seed) {
    int written = 0;
    std::string text;
    for (std::size_t c = 0; c < plans.size(); ++c) {
        const CameraPlan& plan = plans[c];
        const Site& site = sites[static_cast<std::size_t>(plan.site)];
        SplitMix64 rng = StreamFor(seed, 200000 + c);
        for (std::size_t i = 0; i < plan.slots.size(); ++i) {
            const NightConditions night = ConditionsOf(plan, site, i, rng);
            const CalibrationSample sample =
                MakeNetworkSample(plan.camera, plan.slots[i].unix_ms, night, rng);
            text.clear();
            AppendCalText(sample, text);
            if (!WriteText(folder / CalFileName(sample), text)) return -1;
            ++written;
        }
    }
    return written;
}

// The last calibration an event covers: a move or refocus until the next of
// its kind (or the end), a drop while its loss lasts, others themselves.
int LastCovered(const Event& event, const std::vector<Event>& events, const CameraPlan& plan) {
    int last = event.first;
    if (event.kind == FindingKind::kMoved || event.kind == FindingKind::kScaleChange) {
        last = static_cast<int>(plan.slots.size()) - 1;
        for (const Event& other : events) {
            if (other.camera_index == event.camera_index && other.kind == event.kind &&
                other.first > event.first)
                last = std::min(last, other.first - 1);
        }
    } else if (event.kind == FindingKind::kZeroPointDrop) {
        while (last + 1 < static_cast<int>(plan.slots.size()) &&
               plan.drop_mag[static_cast<std::size_t>(last) + 1] > 0)
            ++last;
    }
    return last;
}

// Ground truth in the findings format, camera by camera in time order.
std::string TruthTable(std::vector<Event> events, const std::vector<CameraPlan>& plans) {
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return a.camera_index != b.camera_index ? a.camera_index < b.camera_index : a.first < b.first;
    });
    std::string truth(kFindingsHeader);
    truth += kCsvLineEnd;
    for (const Event& event : events) {
        const CameraPlan& plan = plans[static_cast<std::size_t>(event.camera_index)];
        const int last = LastCovered(event, events, plan);
        const FindingsCsvRow row{plan.camera.camera_number,
                                 event.kind,
                                 plan.slots[static_cast<std::size_t>(event.first)].unix_ms,
                                 plan.slots[static_cast<std::size_t>(last)].unix_ms,
                                 last - event.first + 1,
                                 event.size,
                                 event.unit,
                                 event.detail};
        AppendFindingsCsvRow(truth, row);
    }
    return truth;
}

// The dates a drop may be given: from its first calibration to the first
// at half its depth (a ramp's first nights lie within the noise), as rows
// camera,kind,start,latest_start.
std::string DropDatingTable(const std::vector<Event>& events, const std::vector<CameraPlan>& plans) {
    std::string dating = "camera,kind,start,latest_start";
    dating += kCsvLineEnd;
    for (const Event& event : events) {
        if (event.kind != FindingKind::kZeroPointDrop) continue;
        const CameraPlan& plan = plans[static_cast<std::size_t>(event.camera_index)];
        const int last = LastCovered(event, events, plan);
        int half = event.first;
        while (half < last && plan.drop_mag[static_cast<std::size_t>(half)] < 0.5 * event.size) ++half;
        dating += std::to_string(plan.camera.camera_number) + "," + std::string(KindName(event.kind)) + "," +
                  IsoTime(plan.slots[static_cast<std::size_t>(event.first)].unix_ms) + "," +
                  IsoTime(plan.slots[static_cast<std::size_t>(half)].unix_ms);
        dating += kCsvLineEnd;
    }
    return dating;
}

}  // namespace

int WriteEventNetwork(const EventNetworkRequest& request) {
    if (!CreateOutputFolder(request.folder)) return -1;
    const std::filesystem::path folder(request.folder);
    const NetworkLayout layout = PlanLayout(request);
    std::vector<Site> sites;
    std::vector<CameraPlan> plans;
    std::vector<Event> events;
    std::string nuisances = "kind,camera_or_site,first_night,nights,size,unit\r\n";
    for (int c = 0; c < request.camera_count; ++c) {
        plans.push_back(PlanCamera(c, layout, request, sites, events));
        AppendCameraNuisances(nuisances, plans.back(), request.nights);
    }
    AppendHazeNuisances(nuisances, sites, request.nights);
    const int written = WriteCalibrations(folder, plans, sites, request.seed);
    if (written < 0) return -1;
    if (!WriteText(folder / "network_truth_dating.csv", DropDatingTable(events, plans)) ||
        !WriteText(folder / "network_truth.csv", TruthTable(std::move(events), plans)) ||
        !WriteText(folder / "network_nuisances.csv", nuisances))
        return -1;
    return written;
}

int NetworkModeMain(int argc, char** argv) {
    long long cameras = 0, nights = 0, seed = 1;
    bool plain = false;
    bool ok = argc >= 5 && std::strcmp(argv[1], "--network") == 0 &&
              ParseNumber(argv[3], 1, kHighestCameraNumber, cameras) &&
              ParseNumber(argv[4], 1, 20000, nights);
    for (int i = 5; ok && i < argc; ++i) {
        if (std::strcmp(argv[i], "--plain") == 0 && !plain) {
            plain = true;
        } else {
            ok = std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc &&
                 ParseNumber(argv[i + 1], 0, 0x7fffffffffffffffLL, seed);
            ++i;
        }
    }
    if (!ok) {
        std::fprintf(stderr,
                     "usage: make_cal_files --network <folder> <cameras> <nights> [--seed N] [--plain]\n"
                     "  cameras 1..%d, nights 1..20000; --plain: no weather, seasonal waves,\n"
                     "  pointing creep or wide-field cameras\n",
                     kHighestCameraNumber);
        return 2;
    }
    const EventNetworkRequest request{argv[2], static_cast<int>(cameras), static_cast<int>(nights),
                                      static_cast<std::uint64_t>(seed), plain};
    const int written = WriteEventNetwork(request);
    if (written < 0) return 1;
    std::printf("%d CAL files for %lld cameras over %lld nights written to %s, with network_truth.csv\n",
                written, cameras, nights, request.folder.c_str());
    return 0;
}
