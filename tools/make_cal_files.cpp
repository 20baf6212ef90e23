// make_cal_files: writes realistic CAL files of a simulated camera network.
//
//   make_cal_files <folder> <files> <cameras> [--seed N] [--stars MIN MAX]
//   make_cal_files --network <folder> <cameras> <nights> [--seed N] [--plain]
//   make_cal_files --help
//
// Files are spread evenly over the cameras; each file holds MIN..MAX stars
// (default 20..200). The same arguments always write the same bytes.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "calib/cal_record.h"
#include "tools/cal_network.h"
#include "tools/network_events.h"

namespace {

bool ParseInt(std::string_view text, long long lo, long long hi, long long& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end && value >= lo && value <= hi;
}

// Given the stream to write to, prints the usage text; returns nothing.
void PrintUsage(std::FILE* stream) {
    std::fprintf(stream,
                 "usage: make_cal_files <folder> <files> <cameras> [--seed N] [--stars MIN MAX]\n"
                 "       make_cal_files --network <folder> <cameras> <nights> [--seed N] [--plain]\n"
                 "       make_cal_files --help\n"
                 "  files >= 0, cameras 1..%d, 0 <= MIN <= MAX <= %d\n"
                 "  --plain: the network's events without weather, seasonal waves, pointing\n"
                 "  creep or wide-field cameras\n",
                 kMaxCameras, kMaxStars);
}

// Wrong arguments: the usage text on standard error; returns the exit status 2.
int Usage() {
    PrintUsage(stderr);
    return 2;
}

bool AsksForHelp(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // Asked for, the usage text is the answer: standard output, status 0.
    if (AsksForHelp(argc, argv)) {
        PrintUsage(stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (argc > 1 && std::strcmp(argv[1], "--network") == 0) return NetworkModeMain(argc, argv);
    if (argc < 4) return Usage();
    NetworkRequest request{argv[1], 0, 0, 1, 20, 200};
    long long files = 0;
    long long cameras = 0;
    if (!ParseInt(argv[2], 0, 100000000, files) || !ParseInt(argv[3], 1, kMaxCameras, cameras))
        return Usage();
    request.file_count = static_cast<int>(files);
    request.camera_count = static_cast<int>(cameras);

    for (int i = 4; i < argc; ++i) {
        long long value = 0;
        long long second = 0;
        if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc &&
            ParseInt(argv[i + 1], 0, 0x7fffffffffffffffLL, value)) {
            request.seed = static_cast<std::uint64_t>(value);
            i += 1;
        } else if (std::strcmp(argv[i], "--stars") == 0 && i + 2 < argc &&
                   ParseInt(argv[i + 1], 0, kMaxStars, value) &&
                   ParseInt(argv[i + 2], value, kMaxStars, second)) {
            request.min_stars = static_cast<int>(value);
            request.max_stars = static_cast<int>(second);
            i += 2;
        } else {
            return Usage();
        }
    }

    const int written = WriteCalNetwork(request);
    if (written < 0) return 1;
    std::printf("%d CAL files for %d cameras written to %s\n", written, request.camera_count,
                request.folder.c_str());
    return 0;
}
