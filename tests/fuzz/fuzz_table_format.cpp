// Fuzz target for the table rows: arbitrary dates, times, doubles and fit
// orders go through the FitCoefs and FitStars row formats.
//
// Each row is checked against the C library: the same fields formatted with
// snprintf, each with the conversion built from the table's column layout
// (app/table_columns.h), every coefficient's exponent then widened to three
// digits inside its column. When every value fits its column, the
// row also has exactly the length of the table's header lines and its blanks
// where the dashed header line has them.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <utility>

#include "app/table_columns.h"
#include "app/table_rows.h"
#include "calib/cal_record.h"
#include "tests/fuzz/fuzz_harness.h"

namespace {

// Hands out the input's bytes as values; zeros once the input is used up.
struct ByteSource {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position;
};

std::uint8_t TakeByte(ByteSource& source) {
    return source.position < source.size ? source.data[source.position++] : 0;
}

template <typename Value>
Value TakeRaw(ByteSource& source) {
    unsigned char bytes[sizeof(Value)];
    for (unsigned char& byte : bytes) byte = TakeByte(source);
    Value value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// Mostly values a table really holds, some near the rounding and width
// limits of the columns, some any bit pattern at all.
double TakeDouble(ByteSource& source) {
    static constexpr double kSpecial[] = {0.0,
                                          -0.0,
                                          std::numeric_limits<double>::infinity(),
                                          -std::numeric_limits<double>::infinity(),
                                          std::numeric_limits<double>::quiet_NaN(),
                                          -std::numeric_limits<double>::quiet_NaN(),
                                          999.9995,
                                          999.99949999999,
                                          -99.9995,
                                          -99.99949999999,
                                          9999.995,
                                          -999.995,
                                          99.999995,
                                          -0.0004999,
                                          -0.0005,
                                          std::numeric_limits<double>::max(),
                                          std::numeric_limits<double>::min(),
                                          std::numeric_limits<double>::denorm_min(),
                                          9.9999995e99,
                                          9.9999995e-100};
    switch (TakeByte(source) % 4) {
        case 0:
            return TakeRaw<double>(source);
        case 1:
            return TakeRaw<std::int16_t>(source) / 1000.0;
        case 2:
            return TakeRaw<std::int32_t>(source) *
                   std::pow(10.0, static_cast<int>(TakeByte(source) % 64) - 40);
        default:
            return kSpecial[TakeByte(source) % (sizeof kSpecial / sizeof kSpecial[0])];
    }
}

int TakeInt(ByteSource& source) {
    const std::uint8_t kind = TakeByte(source);
    if (kind % 2 == 0) return TakeByte(source) % 130 - 5;
    return TakeRaw<std::int32_t>(source);
}

void FillRecord(ByteSource& source, CalibrationRecord& record, StarEntry& star) {
    record.date_first = TakeInt(source);
    record.date_second = TakeInt(source);
    record.date_year = TakeByte(source) % 2 == 0 ? 1990 + TakeByte(source) : TakeInt(source);
    record.hour = TakeInt(source);
    record.minute = TakeInt(source);
    record.second = TakeInt(source);
    record.millisecond = TakeByte(source) % 2 == 0 ? TakeByte(source) * 4 : TakeInt(source);
    for (double* field :
         {&record.ra_center_deg, &record.dec_center_deg, &record.azim_center_deg, &record.elev_center_deg,
          &record.arcmin_per_pixel, &record.cam_tilt_deg, &record.oc_mean_arcmin, &record.oc_sigma_arcmin,
          &record.magfit_slope, &record.magfit_icept, &record.fluxfit_slope, &record.fluxfit_icept}) {
        *field = TakeDouble(source);
    }
    record.fit_order = TakeByte(source) % 2 == 0 ? TakeByte(source) % 5 : TakeInt(source);
    for (int term = 0; term < kMaxTerms; ++term) {
        record.xcoef[term] = TakeDouble(source);
        record.ycoef[term] = TakeDouble(source);
    }
    for (double* field :
         {&star.ra_deg, &star.dec_deg, &star.mv, &star.log10_inten, &star.log10_flux, &star.oc_arcmin,
          &star.col_3, &star.col_4, &star.col_6, &star.col_7, &star.col_8, &star.col_10}) {
        *field = TakeDouble(source);
    }
}

// The C library's conversion of the values with the format.
template <typename... Values>
std::string Printf(const std::string& format, Values... values) {
    char buffer[512];
    const int length = std::snprintf(buffer, sizeof buffer, format.c_str(), values...);
    FUZZ_CHECK(length >= 0 && length < static_cast<int>(sizeof buffer));
    return std::string(buffer, static_cast<std::size_t>(length));
}

// The printf conversion of a column: "%7.3f" for {gap, 7, 3} and 'f'.
std::string ColumnFormat(const TableColumn& column, char conversion) {
    return "%" + std::to_string(column.width) + "." + std::to_string(column.precision) + conversion;
}

// The coefficient conversion with a three-digit exponent: the library
// writes two digits where the exponent is below 100, so one more digit goes
// in and, the column being as wide as before, one blank of its padding goes out.
std::string Exponent3(double value) {
    std::string text = Printf(ColumnFormat(kCoefficientColumn, 'e'), value);
    const std::size_t e = text.find('e');
    if (e == std::string::npos || text.size() - (e + 2) != 2) return text;
    FUZZ_CHECK(text[0] == ' ');
    text.insert(e + 2, "0");
    text.erase(0, 1);
    return text;
}

struct ExpectedRow {
    std::string text;
    bool fits = true;
};

void AppendColumn(ExpectedRow& row, const TableColumn& column, const std::string& converted) {
    row.text.append(static_cast<std::size_t>(column.gap), ' ');
    row.text += converted;
    row.fits = row.fits && converted.size() <= static_cast<std::size_t>(column.width);
}

void AppendFixedColumn(ExpectedRow& row, const TableColumn& column, double value) {
    AppendColumn(row, column, Printf(ColumnFormat(column, 'f'), value));
}

// "%02d/%02d/%04d %02d:%02d:%02d.%03d" built from the field digits. Every
// field takes at least its digits, so the fields fit exactly when the text
// is no longer than the digits and separators together.
void AppendDateTime(ExpectedRow& row, const CalibrationRecord& record) {
    std::string format;
    std::size_t fitting_length = 0;
    for (int field = 0; field < 7; ++field) {
        format += "%0" + std::to_string(kDateTimeDigits[field]) + "d";
        fitting_length += static_cast<std::size_t>(kDateTimeDigits[field]);
        if (field < 6) format += kDateTimeSeparators[field];
    }
    fitting_length += 6;
    const std::string date_time = Printf(format, record.date_first, record.date_second, record.date_year,
                                         record.hour, record.minute, record.second, record.millisecond);
    row.text += date_time;
    row.fits = row.fits && date_time.size() == fitting_length;
}

ExpectedRow ExpectedFitCoefsRow(const CalibrationRecord& record) {
    ExpectedRow row;
    AppendDateTime(row, record);
    for (double value : {record.ra_center_deg, record.dec_center_deg, record.azim_center_deg,
                         record.elev_center_deg, record.arcmin_per_pixel, record.cam_tilt_deg}) {
        AppendFixedColumn(row, kPointingColumn, value);
    }
    // Coefficients beyond the order's terms are printed as 0.
    const int term_count = TermCount(record.fit_order);
    for (const double* coefficients : {record.xcoef, record.ycoef}) {
        for (int term = 0; term < kMaxTerms; ++term) {
            AppendColumn(row, kCoefficientColumn, Exponent3(term < term_count ? coefficients[term] : 0.0));
        }
    }
    return row;
}

ExpectedRow ExpectedFitStarsRow(const CalibrationRecord& record, const StarEntry& star) {
    ExpectedRow row;
    AppendDateTime(row, record);
    const std::pair<TableColumn, double> columns[] = {{kResidualColumn, record.oc_mean_arcmin},
                                                      {kResidualColumn, record.oc_sigma_arcmin},
                                                      {kPhotometricFitColumn, record.magfit_slope},
                                                      {kPhotometricFitColumn, record.magfit_icept},
                                                      {kPhotometricFitColumn, record.fluxfit_slope},
                                                      {kPhotometricFitColumn, record.fluxfit_icept},
                                                      {kStarRaColumn, star.ra_deg},
                                                      {kStarDecColumn, star.dec_deg},
                                                      {kStarMagnitudeColumn, star.mv},
                                                      {kStarValueColumn, star.log10_inten},
                                                      {kStarValueColumn, star.log10_flux},
                                                      {kStarValueColumn, star.oc_arcmin}};
    for (const auto& [column, value] : columns) AppendFixedColumn(row, column, value);
    return row;
}

// A row whose values all fit stands exactly under the dashed header line:
// same length, and a blank wherever the header has one.
void CheckColumns(const std::string& row, std::string_view dashes) {
    FUZZ_CHECK(row.size() == dashes.size());
    for (std::size_t i = 0; i < dashes.size(); ++i) {
        if (dashes[i] == ' ') FUZZ_CHECK(row[i] == ' ');
    }
}

void CheckRow(const std::string& row, const ExpectedRow& expected, std::string_view dashes) {
    if (row != expected.text) {
        std::fprintf(stderr, "row:      [%s]\nexpected: [%s]\n", row.c_str(), expected.text.c_str());
        FuzzCheckFailed("row equals the C library's conversions");
    }
    if (expected.fits) CheckColumns(row, dashes);
}

CalibrationRecord g_record;
CalibrationRecord g_record_before;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteSource source{data, size, 0};
    std::memset(&g_record, 0, sizeof g_record);
    StarEntry star{};
    FillRecord(source, g_record, star);
    std::memcpy(&g_record_before, &g_record, sizeof g_record);

    CheckRow(FitCoefsRow(g_record), ExpectedFitCoefsRow(g_record), kFitCoefsHeader[2]);
    CheckRow(FitStarsRow(g_record, star), ExpectedFitStarsRow(g_record, star), kFitStarsHeader[2]);
    // Formatting a row leaves the record as it was.
    FUZZ_CHECK(std::memcmp(&g_record_before, &g_record, sizeof g_record) == 0);
    return 0;
}
