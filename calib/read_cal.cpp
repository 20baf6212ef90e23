#include "calib/read_cal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "calib/cal_scanner.h"
#include "calib/inverse_poly.h"
#include "calib/jacobi_svd.h"
#include "calib/process_end.h"
#include "calib/wait_for_number.h"

namespace {

// The WGS84 ellipsoid (NIMA TR8350.2, 3rd edition, tables 3.1 and 3.3):
// equatorial radius a = 6378.137 km and squared first eccentricity e^2, which
// the table gives as 6.69437999014e-3. The two e^2 constants are the literals
// the tables have always been computed with: they agree with f(2 - f) for
// f = 1/298.257223563 to 13 digits, and 1 - e^2 is its own literal rather than
// a subtraction, so every radius keeps its last bit.
constexpr double kWgs84EquatorialRadiusKm = 6378.137;
constexpr double kWgs84EccentricitySquared = 0.006694379990141236;
constexpr double kWgs84OneMinusEccentricitySquared = 0.9933056200098588;
constexpr double kArcminPerDegree = 60.0;

// Copies path (at most 255 characters) and the part of it from its last
// upper-case 'C' on (at most 30 characters; empty without a 'C').
void StorePathAndFileName(const char* path, CalibrationRecord& record) {
    const std::size_t path_length = std::strlen(path);
    const std::size_t path_kept = std::min(path_length, static_cast<std::size_t>(kPathRoom - 1));
    std::memcpy(record.path, path, path_kept);
    record.path[path_kept] = '\0';

    const char* name = std::strrchr(path, 'C');
    const std::size_t name_length = name == nullptr ? 0 : std::strlen(name);
    const std::size_t name_kept = std::min(name_length, static_cast<std::size_t>(kFileNameMaxChars));
    if (name_kept > 0) std::memcpy(record.file_name, name, name_kept);
    record.file_name[name_kept] = '\0';
}

// Returns 1 when the value was read, 0 when not.
int ReadLabelledReal(CalScanner& scanner, double& value) {
    return ScanFormat(scanner, "%[^=]= %lf", {SkipTarget(), RealTarget(value)});
}

void SkipLine(CalScanner& scanner) {
    ScanFormat(scanner, "%[^\n]\n", {SkipTarget()});
}

// Header lines: an unstored integer, date, time, site position, the pair, the
// eight pointing values, the polynomial origin and the fit order. Returns the
// number of values read, the unstored integer included.
int ReadHeader(CalScanner& scanner, CalibrationRecord& record) {
    int camera_number = 0;  // read to pass over it; the file name carries the camera
    int values = ScanFormat(scanner, "%[^=]= %d", {SkipTarget(), IntTarget(camera_number)});
    values += ScanFormat(scanner, "%[^=]= %2d/%2d/%4d",
                         {SkipTarget(), IntTarget(record.date_first), IntTarget(record.date_second),
                          IntTarget(record.date_year)});
    values += ScanFormat(scanner, "%[^=]= %2d:%2d:%2d.%3d",
                         {SkipTarget(), IntTarget(record.hour), IntTarget(record.minute),
                          IntTarget(record.second), IntTarget(record.millisecond)});
    values += ReadLabelledReal(scanner, record.longitude_deg);
    values += ReadLabelledReal(scanner, record.latitude_deg);
    values += ReadLabelledReal(scanner, record.height_km);
    values += ScanFormat(scanner, "%[^=]= %lf x %lf",
                         {SkipTarget(), RealTarget(record.pair_first), RealTarget(record.pair_second)});
    double* const pointing[] = {&record.arcmin_per_pixel, &record.aux_angle_deg,  &record.cam_tilt_deg,
                                &record.site_aux_value,   &record.ra_center_deg,  &record.dec_center_deg,
                                &record.azim_center_deg,  &record.elev_center_deg};
    for (double* value : pointing) values += ReadLabelledReal(scanner, *value);
    values += ReadLabelledReal(scanner, record.x_center);
    values += ReadLabelledReal(scanner, record.y_center);
    values += ScanFormat(scanner, "%[^=]= %2d\n", {SkipTarget(), IntTarget(record.fit_order)});
    return values;
}

// Site position in radians and the site's distance from the Earth's centre on
// the WGS84 ellipsoid (km): the geodetic position turned into Earth-centred
// x, y, z with the prime-vertical radius N = a / sqrt(1 - e^2 sin^2(lat)),
// then its length. The longitude does not change the distance.
void FillSiteValues(CalibrationRecord& record, SiteRecord& site) {
    site.lat_rad = record.latitude_deg / kDegreesPerRadian;
    site.lon_rad = record.longitude_deg / kDegreesPerRadian;
    site.height_km = record.height_km;
    site.site_aux_value = record.site_aux_value;

    const double h = record.height_km;
    const double s = std::sin(site.lat_rad);
    const double n = kWgs84EquatorialRadiusKm / std::sqrt(1.0 - kWgs84EccentricitySquared * s * s);
    const double x = (n + h) * std::cos(site.lat_rad) * std::cos(-site.lon_rad);
    const double y = (n + h) * std::cos(site.lat_rad) * std::sin(-site.lon_rad);
    const double z = (n * kWgs84OneMinusEccentricitySquared + h) * s;
    record.geocentric_radius_km = std::sqrt(x * x + y * y + z * z);

    std::strcpy(site.code_1, "XX");
    std::strcpy(site.code_2, "XX");
}

// Site texts, the ten site numbers and the five heading lines of the
// coefficient table.
void ReadSiteBlock(CalScanner& scanner, SiteRecord& site) {
    ScanFormat(scanner, "%[^=]= %[^\n]\n", {SkipTarget(), TextTarget(site.text_1, sizeof site.text_1)});
    ScanFormat(scanner, "%[^=]= %[^\n]\n", {SkipTarget(), TextTarget(site.text_2, sizeof site.text_2)});
    for (int i = 0; i < 9; ++i) ReadLabelledReal(scanner, site.values[i]);
    ScanFormat(scanner, "%[^=]= %lf\n", {SkipTarget(), RealTarget(site.values[9])});
    for (int i = 0; i < 5; ++i) SkipLine(scanner);
}

// Coefficient lines for the terms the fit order uses; all ten for an order of
// 4 or more, which is refused only after them (see CoefficientLinesRead).
void ReadCoefficients(CalScanner& scanner, CalibrationRecord& record) {
    static const char* const kLineFormats[kMaxTerms] = {
        " 1   %le%le", " x   %le%le", " y   %le%le", " xx  %le%le", " xy  %le%le",
        " yy  %le%le", " xxx %le%le", " xxy %le%le", " xyy %le%le", " yyy %le%le"};
    const int lines = CoefficientLinesRead(record.fit_order);
    for (int k = 0; k < lines; ++k) {
        ScanFormat(scanner, kLineFormats[k], {RealTarget(record.xcoef[k]), RealTarget(record.ycoef[k])});
    }
}

bool IsImplementedOrder(int fit_order) {
    return fit_order >= 1 && fit_order <= 3;
}

// Ends the process when the fit order is not 1, 2 or 3.
void CheckFitOrder(const CalibrationRecord& record) {
    if (IsImplementedOrder(record.fit_order)) return;
    PrintOrderNotImplemented(record.fit_order);
    EndProcess(1);
}

// Residual line, magnitude and flux fits, and the text up to the star table.
void ReadFitsBlock(CalScanner& scanner, CalibrationRecord& record) {
    ScanFormat(scanner, "%[^\n]\n\n", {SkipTarget()});
    ScanFormat(scanner, "%[^=]= %lf +-%lf arcmin\n\n",
               {SkipTarget(), RealTarget(record.oc_mean_arcmin), RealTarget(record.oc_sigma_arcmin)});
    SkipLine(scanner);
    ReadLabelledReal(scanner, record.magfit_slope);
    ReadLabelledReal(scanner, record.magfit_icept);
    for (int i = 0; i < 2; ++i) SkipLine(scanner);
    ReadLabelledReal(scanner, record.fluxfit_slope);
    ReadLabelledReal(scanner, record.fluxfit_icept);
    for (int i = 0; i < 4; ++i) SkipLine(scanner);
}

// Star rows numbered 1, 2, 3, ... from the first row, at most kMaxStars. A row
// is read into its entry before its number is checked; a row out of sequence
// ends the table and is not counted.
void ReadStarTable(CalScanner& scanner, CalibrationRecord& record) {
    record.star_count = 0;
    if (scanner.end_seen) return;
    // The values a row stored are marked here, a whole entry at once when
    // the row was read in full, rather than one by one by the scanner.
    FieldMarks* const marks = scanner.marks;
    scanner.marks = nullptr;
    for (int k = 0; k < kMaxStars; ++k) {
        StarEntry& star = record.stars[k];
        long long row_number = 0;
        // "%d%lf%lf%lf%lf%lf%lf%lf%lf%lf%lf%lf%lf": the row number, then columns 1 to 12.
        double* const columns[] = {&star.ra_deg,      &star.dec_deg, &star.col_3,      &star.col_4,
                                   &star.mv,          &star.col_6,   &star.col_7,      &star.col_8,
                                   &star.log10_inten, &star.col_10,  &star.log10_flux, &star.oc_arcmin};
        constexpr int kColumns = 12;
        const int stored = ScanIntegerAndReals(scanner, row_number, columns, kColumns);
        if (marks != nullptr && stored == kColumns + 1) MarkStoredBytes(*marks, &star, sizeof star);
        for (int c = 0; marks != nullptr && stored <= kColumns && c < stored - 1; ++c) {
            MarkStoredBytes(*marks, columns[c], sizeof(double));
        }
        if (stored == 0 || row_number != k + 1) break;
        record.star_count = k + 1;
        if (scanner.end_seen) break;
    }
    scanner.marks = marks;
}

void SetDerivedFields(CalibrationRecord& record) {
    record.aux_angle_rad = record.aux_angle_deg / kDegreesPerRadian;
    record.rad_per_pixel = (record.arcmin_per_pixel / kArcminPerDegree) / kDegreesPerRadian;
    record.spare_1 = 0.0;
    record.spare_2 = 0.0;
    record.ra_center_rad = record.ra_center_deg / kDegreesPerRadian;
    record.dec_center_rad = record.dec_center_deg / kDegreesPerRadian;
}

// The end of a file that cannot be opened or read.
[[noreturn]] void EndAsUnreadable(const char* path) {
    PrintCannotRead(path);
    WaitForNumber();
    EndProcess(1);
}

}  // namespace

void PrintCannotRead(const char* path) {
    std::printf(" Cannot open calibration file %s for reading \n", path);
}

void PrintNoCalibration(const char* path) {
    std::printf(" No calibration in %s; no row written \n", path);
}

void PrintOrderNotImplemented(int fit_order) {
    std::printf(" fitorder %li is not implemented in ReadCALfile\n", static_cast<long>(fit_order));
}

void PrintSweepLimitFile(const char* path) {
    // Standard output first, so that the note follows the warning when both
    // streams go to one file.
    std::fflush(stdout);
    std::fprintf(stderr, "%s: the inverse fit's SVD reached its sweep limit\n", path);
}

bool ReadCALfile(const char* path, CalibrationRecord& record, SiteRecord& site) {
    CalWindow window;
    if (!OpenCalWindow(path, window)) EndAsUnreadable(path);
    CalScanner scanner;
    scanner.window = &window;
    if (ReadHeader(scanner, record) == 0) {
        PrintNoCalibration(path);
        return false;
    }
    StorePathAndFileName(path, record);
    FillSiteValues(record, site);
    ReadSiteBlock(scanner, site);
    ReadCoefficients(scanner, record);
    CheckFitOrder(record);
    ReadFitsBlock(scanner, record);
    ReadStarTable(scanner, record);
    if (window.read_failed) EndAsUnreadable(path);
    SetDerivedFields(record);
    // Compute_Inverse_Poly's fit and warning (CheckFitOrder has refused any
    // other order), with the file named after the warning.
    if (FitInversePolynomial(record)) {
        PrintSweepLimitWarning(TermCount(record.fit_order));
        PrintSweepLimitFile(path);
    }
    return true;
}

void ScanCALfile(const char* path, int assumed_fit_order, CalScan& scan) {
    scan.read_failed = false;
    scan.header_values = 0;
    CalWindow window;
    scan.opened = OpenCalWindow(path, window);
    if (!scan.opened) return;
    ClearFieldMarks(scan.marks, scan.record, scan.site);
    scan.record.fit_order = assumed_fit_order;
    scan.assumed_fit_order = assumed_fit_order;
    CalScanner scanner;
    scanner.window = &window;
    scanner.marks = &scan.marks;
    scan.header_values = ReadHeader(scanner, scan.record);
    if (scan.header_values == 0) return;
    ReadSiteBlock(scanner, scan.site);
    ReadCoefficients(scanner, scan.record);
    ReadFitsBlock(scanner, scan.record);
    ReadStarTable(scanner, scan.record);
    scan.read_failed = window.read_failed;
}

CalApplyResult ApplyCALscan(const char* path, const CalScan& scan, CalibrationRecord& record,
                            SiteRecord& site) {
    if (!scan.opened) return kCalUnreadable;
    if (scan.header_values == 0) return kCalNoCalibration;
    // The coefficient lines the scan took follow from the order it assumed
    // when the file did not give one.
    if (!IsFieldMarked(scan.marks, &scan.record.fit_order) &&
        CoefficientLinesRead(record.fit_order) != CoefficientLinesRead(scan.assumed_fit_order)) {
        return kCalRescanNeeded;
    }
    CopyMarkedBytes(scan.marks, record, site);
    StorePathAndFileName(path, record);
    FillSiteValues(record, site);
    if (!IsImplementedOrder(record.fit_order)) return kCalOrderNotImplemented;
    if (scan.read_failed) return kCalUnreadable;
    record.star_count = scan.record.star_count;
    SetDerivedFields(record);
    return kCalApplied;
}
