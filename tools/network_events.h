// A camera network calibrated night after night for months, with injected
// events (moves, pointing outliers, refocus, zero-point drops, poor fits)
// written as ground truth, and the nuisances real archives are full of
// (site-wide haze and overcast, seasonal zero-point waves, slow pointing
// creep, wide-field cameras with loose pointing).
#ifndef TOOLS_NETWORK_EVENTS_H
#define TOOLS_NETWORK_EVENTS_H

#include <cstdint>
#include <string>

struct EventNetworkRequest {
    std::string folder;  // created if missing
    int camera_count;    // 1..999
    int nights;          // length of the period, 1..20000
    std::uint64_t seed;
    bool plain = false;  // the events alone: no weather, seasonal waves, creep or wide-field cameras
};

// Given a request, writes the CAL files of every camera into the folder, and
// beside them network_truth.csv (the injected events in the findings format
// camera,kind,start,end,calibrations,size,unit,detail, times of the
// calibrations as YYYY-MM-DDTHH:MM:SS.mmm UTC) and network_nuisances.csv
// (sites, haze spells, creeps, wide-field cameras) and
// network_truth_dating.csv (per zero-point drop, camera,kind,start,
// latest_start: the first calibration at half its depth, the latest date
// it may be given). The same request always
// writes the same bytes. Returns the number of CAL files written, or -1 after
// a message on standard error when something cannot be written.
int WriteEventNetwork(const EventNetworkRequest& request);

// make_cal_files --network <folder> <cameras> <nights> [--seed N] [--plain]: the
// command line of the network mode, given the whole argument vector.
// Returns the process exit status (2 on a usage error).
int NetworkModeMain(int argc, char** argv);

#endif  // TOOLS_NETWORK_EVENTS_H
