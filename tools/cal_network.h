// Writes the CAL files of a whole simulated camera network into a folder.
#ifndef TOOLS_CAL_NETWORK_H
#define TOOLS_CAL_NETWORK_H

#include <cstdint>
#include <string>

struct NetworkRequest {
    std::string folder;  // created if missing
    int file_count;      // total files over all cameras
    int camera_count;    // 1..999 distinct camera numbers
    std::uint64_t seed;
    int min_stars;  // stars per file drawn uniformly from min..max, 0..1000
    int max_stars;
};

// Given a request, writes file_count CAL files spread evenly over camera_count
// cameras (each camera its own model, calibrated on successive nights with
// small drifts) and returns the number of files written. The same request
// always writes the same bytes. Returns -1 after printing a message on
// standard error when the folder cannot be created or a file cannot be written.
int WriteCalNetwork(const NetworkRequest& request);

#endif  // TOOLS_CAL_NETWORK_H
