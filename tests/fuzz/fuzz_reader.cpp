// Fuzz target for the CAL reader: the input bytes become a CAL file, which is
// loaded twice in a row into the same records (the way a run reuses them),
// each load ending with the inverse fit.
//
// Checked for every input: the reader ends the process only for an
// unsupported fit order, and then with status 1; a file without any header
// value is refused with the records untouched; a completed load leaves the
// records consistent (order, star count, names and texts within their room,
// nothing written past the term count or past the star row after the last
// counted one); and loading the same file again changes no byte of either
// record, so a load depends on the file alone; and putting characters before
// the first label (which takes them) changes nothing, wherever that moves the
// reader's window boundaries (the fuzz build makes the window 61 characters).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "calib/cal_record.h"
#include "calib/read_cal.h"
#include "tests/fuzz/fuzz_harness.h"
#include "tests/support/scratch_folder.h"

namespace {

// A file name that begins with the path's last upper-case 'C' and has exactly
// the 30 characters the record keeps.
constexpr const char* kCalFileName = "CAL001_20200101_000000_000.txt";

// The path of the scratch CAL file, in a folder removed with it at exit.
const std::string& ScratchCalPath() {
    static const ScratchFolder folder;
    static const std::string cal_path = folder.path.string() + "/" + kCalFileName;
    return cal_path;
}

bool IsTerminatedWithin(const char* text, std::size_t room, std::size_t max_chars) {
    return std::memchr(text, '\0', room) != nullptr && std::strlen(text) <= max_chars;
}

// Equal as stored, NaN included: the derived fields are computed from the
// stored values, so they must agree bit for bit.
bool SameDouble(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

bool IsZeroEntry(const StarEntry& entry) {
    static const StarEntry zero{};
    return std::memcmp(&entry, &zero, sizeof entry) == 0;
}

// Checks a record that a completed first load returned, starting from
// all-zero records.
void CheckFirstLoad(const CalibrationRecord& record, const SiteRecord& site, const std::string& path) {
    FUZZ_CHECK(record.fit_order >= 1 && record.fit_order <= 3);
    FUZZ_CHECK(record.inverse_ready == 1);
    FUZZ_CHECK(record.star_count >= 0 && record.star_count <= kMaxStars);
    FUZZ_CHECK(IsTerminatedWithin(record.path, kPathRoom, kPathRoom - 1));
    FUZZ_CHECK(path == record.path);
    FUZZ_CHECK(std::strcmp(record.file_name, kCalFileName) == 0);
    FUZZ_CHECK(std::strcmp(site.code_1, "XX") == 0 && std::strcmp(site.code_2, "XX") == 0);
    FUZZ_CHECK(IsTerminatedWithin(site.text_1, kSiteTextRoom, kSiteTextRoom - 1));
    FUZZ_CHECK(IsTerminatedWithin(site.text_2, kSiteTextRoom, kSiteTextRoom - 1));
    FUZZ_CHECK(std::strchr(site.text_1, '\n') == nullptr && std::strchr(site.text_2, '\n') == nullptr);

    // Derived fields follow the values the load stored.
    FUZZ_CHECK(record.spare_1 == 0.0 && record.spare_2 == 0.0);
    FUZZ_CHECK(SameDouble(record.ra_center_rad, record.ra_center_deg / kDegreesPerRadian));
    FUZZ_CHECK(SameDouble(record.dec_center_rad, record.dec_center_deg / kDegreesPerRadian));
    FUZZ_CHECK(SameDouble(record.rad_per_pixel, (record.arcmin_per_pixel / 60) / kDegreesPerRadian));
    FUZZ_CHECK(SameDouble(site.lat_rad, record.latitude_deg / kDegreesPerRadian));
    FUZZ_CHECK(SameDouble(site.height_km, record.height_km));

    // The load sets no coefficient beyond the order's term count.
    for (int term = TermCount(record.fit_order); term < kMaxTerms; ++term) {
        FUZZ_CHECK(record.xcoef[term] == 0.0 && record.ycoef[term] == 0.0);
        FUZZ_CHECK(record.inv_xcoef[term] == 0.0 && record.inv_ycoef[term] == 0.0);
    }
    // Only the row that ended the table may be stored past the counted rows.
    for (int entry = record.star_count + 1; entry < kMaxStars; ++entry) {
        FUZZ_CHECK(IsZeroEntry(record.stars[entry]));
    }
}

CalibrationRecord g_record;
SiteRecord g_site;
CalibrationRecord g_first_record;
SiteRecord g_first_site;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SilenceConsole();
    const std::string& path = ScratchCalPath();
    WriteWholeFile(path.c_str(), data, size);

    std::memset(&g_record, 0, sizeof g_record);
    std::memset(&g_site, 0, sizeof g_site);
    int status = 0;
    bool loaded = false;
    const auto load = [&] { loaded = ReadCALfile(path.c_str(), g_record, g_site); };
    if (RunUntilProcessEnd(load, status)) {
        // The file exists, so only an unsupported order may end the load.
        FUZZ_CHECK(status == 1);
        FUZZ_CHECK(g_record.fit_order < 1 || g_record.fit_order > 3);
        return 0;
    }
    if (!loaded) {
        // No header value: not a calibration, and the records are untouched.
        static const CalibrationRecord zero_record{};
        static const SiteRecord zero_site{};
        FUZZ_CHECK(std::memcmp(&g_record, &zero_record, sizeof g_record) == 0);
        FUZZ_CHECK(std::memcmp(&g_site, &zero_site, sizeof g_site) == 0);
        return 0;
    }
    CheckFirstLoad(g_record, g_site, path);

    std::memcpy(&g_first_record, &g_record, sizeof g_record);
    std::memcpy(&g_first_site, &g_site, sizeof g_site);
    FUZZ_CHECK(!RunUntilProcessEnd(load, status));
    FUZZ_CHECK(std::memcmp(&g_first_record, &g_record, sizeof g_record) == 0);
    FUZZ_CHECK(std::memcmp(&g_first_site, &g_site, sizeof g_site) == 0);

    // Characters put before the first label become part of it, and move every
    // later character to another place in the reader's window: the load must
    // not change. (Not when the file starts with '=': its first label is then
    // empty, and the padding would make it a label.)
    if (size > 0 && data[0] != '=') {
        std::string padded(1 + data[0] % 97, 'p');
        padded.append(reinterpret_cast<const char*>(data), size);
        WriteWholeFile(path.c_str(), padded.data(), padded.size());
        std::memset(&g_record, 0, sizeof g_record);
        std::memset(&g_site, 0, sizeof g_site);
        FUZZ_CHECK(!RunUntilProcessEnd(load, status));
        FUZZ_CHECK(loaded);
        FUZZ_CHECK(std::memcmp(&g_first_record, &g_record, sizeof g_record) == 0);
        FUZZ_CHECK(std::memcmp(&g_first_site, &g_site, sizeof g_site) == 0);
    }
    return 0;
}
