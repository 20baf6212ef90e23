#include "health/findings/network_clock.h"

#include <algorithm>

#include "common/civil_time.h"

namespace {

std::int64_t Milliseconds(double days) {
    return static_cast<std::int64_t>(days * static_cast<double>(kMillisecondsPerDay));
}

}  // namespace

NetworkPresent FindNetworkPresent(const std::vector<CameraAnalysis>& cameras) {
    NetworkPresent present;
    present.clock_ahead.assign(cameras.size(), false);
    // Cameras with calibrations, newest first.
    std::vector<std::size_t> order;
    for (std::size_t c = 0; c < cameras.size(); ++c) {
        if (!cameras[c].quantities.calibrations.empty()) order.push_back(c);
    }
    if (order.empty()) return present;
    const auto newest = [&](std::size_t k) {
        return cameras[order[k]].quantities.calibrations.back().time_ms;
    };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return cameras[a].quantities.calibrations.back().time_ms >
               cameras[b].quantities.calibrations.back().time_ms;
    });
    // The newest group of cameras that agree on the present.
    const std::size_t group = static_cast<std::size_t>(kMinAgreeingCameras);
    std::size_t agreeing = order.size();
    for (std::size_t k = 0; k + group <= order.size(); ++k) {
        if (newest(k) - newest(k + group - 1) <= Milliseconds(kPresentAgreementDays)) {
            agreeing = k;
            break;
        }
    }
    std::size_t first_in_step = 0;  // the newest camera whose clock is not ahead
    if (agreeing < order.size()) {
        for (std::size_t k = 0; k < agreeing; ++k) {
            if (newest(k) - newest(agreeing) <= Milliseconds(kMaxClockLeadDays)) break;
            present.clock_ahead[order[k]] = true;
            first_in_step = k + 1;
        }
    }
    present.newest_ms = newest(first_in_step);
    return present;
}
