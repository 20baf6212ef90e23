// Fuzz target for the reader's two-step load: the input bytes become two CAL
// files (split at the first form feed; without one, the same file twice),
// loaded one after the other into the same records in two ways: by
// ReadCALfile, and by ScanCALfile and ApplyCALscan with the inverse fitted
// afterwards, as the run's workers load them. After each file both ways must
// leave the records byte for byte the same, end (or not) alike, and skip (or
// not) alike.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "calib/cal_record.h"
#include "calib/inverse_poly.h"
#include "calib/read_cal.h"
#include "tests/fuzz/fuzz_harness.h"
#include "tests/support/scratch_folder.h"

namespace {

const std::string& ScratchFolderPath() {
    static const ScratchFolder folder;
    static const std::string path = folder.path.string();
    return path;
}

CalibrationRecord g_read_record;
SiteRecord g_read_site;
CalibrationRecord g_applied_record;
SiteRecord g_applied_site;
CalScan g_scan;

// What one load did, either way.
enum Outcome { kLoaded, kSkipped, kEnded };

Outcome LoadByReadCALfile(const std::string& path) {
    bool loaded = false;
    int status = 0;
    if (RunUntilProcessEnd([&] { loaded = ReadCALfile(path.c_str(), g_read_record, g_read_site); }, status)) {
        return kEnded;
    }
    return loaded ? kLoaded : kSkipped;
}

Outcome LoadInSteps(const std::string& path) {
    ScanCALfile(path.c_str(), 0, g_scan);
    CalApplyResult result = ApplyCALscan(path.c_str(), g_scan, g_applied_record, g_applied_site);
    if (result == kCalRescanNeeded) {
        ScanCALfile(path.c_str(), g_applied_record.fit_order, g_scan);
        result = ApplyCALscan(path.c_str(), g_scan, g_applied_record, g_applied_site);
        FUZZ_CHECK(result != kCalRescanNeeded);
    }
    if (result == kCalNoCalibration) return kSkipped;
    if (result != kCalApplied) return kEnded;
    FitInversePolynomial(g_applied_record);
    return kLoaded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SilenceConsole();
    const char* const text = reinterpret_cast<const char*>(data);
    const void* const split = size == 0 ? nullptr : std::memchr(text, '\f', size);
    const std::size_t first_size =
        split == nullptr ? size : static_cast<std::size_t>(static_cast<const char*>(split) - text);
    const std::string first_path = ScratchFolderPath() + "/CAL001_20200101_000000_000.txt";
    const std::string second_path = ScratchFolderPath() + "/CAL001_20200102_000000_000.txt";
    WriteWholeFile(first_path.c_str(), text, first_size);
    if (split == nullptr) {
        WriteWholeFile(second_path.c_str(), text, size);
    } else {
        WriteWholeFile(second_path.c_str(), text + first_size + 1, size - first_size - 1);
    }

    std::memset(&g_read_record, 0, sizeof g_read_record);
    std::memset(&g_read_site, 0, sizeof g_read_site);
    std::memset(&g_applied_record, 0, sizeof g_applied_record);
    std::memset(&g_applied_site, 0, sizeof g_applied_site);
    for (const std::string* path : {&first_path, &second_path}) {
        const Outcome read = LoadByReadCALfile(*path);
        const Outcome stepped = LoadInSteps(*path);
        FUZZ_CHECK(read == stepped);
        // After an end the records are of no further use (the process ends).
        if (read == kEnded) return 0;
        FUZZ_CHECK(std::memcmp(&g_read_record, &g_applied_record, sizeof g_read_record) == 0);
        FUZZ_CHECK(std::memcmp(&g_read_site, &g_applied_site, sizeof g_read_site) == 0);
    }
    return 0;
}
