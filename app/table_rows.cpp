// Rows of the summary tables, built column by column with the table widths.
#include "app/table_rows.h"

#include "app/table_columns.h"
#include "common/number_format.h"

namespace {

// The calibration's date and time, "MM/DD/YYYY hh:mm:ss.mmm".
void AppendDateTime(std::string& row, const CalibrationRecord& record) {
    const int fields[7] = {record.date_first, record.date_second, record.date_year,  record.hour,
                           record.minute,     record.second,      record.millisecond};
    for (int i = 0; i < 7; ++i) {
        if (i > 0) row += kDateTimeSeparators[i - 1];
        AppendZeroFilled(row, fields[i], kDateTimeDigits[i]);
    }
}

void AppendFixedColumn(std::string& row, const TableColumn& column, double value) {
    AppendFixed(row, value, column.width, column.precision, column.gap);
}

void AppendCoefficients(std::string& row, const double (&coefficients)[kMaxTerms], int term_count) {
    for (int k = 0; k < kMaxTerms; ++k) {
        AppendExponent3(row, k < term_count ? coefficients[k] : 0.0, kCoefficientColumn.width,
                        kCoefficientColumn.precision, kCoefficientColumn.gap);
    }
}

}  // namespace

void AppendFitCoefsRow(std::string& row, const CalibrationRecord& record) {
    AppendDateTime(row, record);
    for (double value : {record.ra_center_deg, record.dec_center_deg, record.azim_center_deg,
                         record.elev_center_deg, record.arcmin_per_pixel, record.cam_tilt_deg}) {
        AppendFixedColumn(row, kPointingColumn, value);
    }
    const int term_count = TermCount(record.fit_order);
    AppendCoefficients(row, record.xcoef, term_count);
    AppendCoefficients(row, record.ycoef, term_count);
}

void AppendFitStarsCalibrationColumns(std::string& row, const CalibrationRecord& record) {
    AppendDateTime(row, record);
    AppendFixedColumn(row, kResidualColumn, record.oc_mean_arcmin);
    AppendFixedColumn(row, kResidualColumn, record.oc_sigma_arcmin);
    for (double value :
         {record.magfit_slope, record.magfit_icept, record.fluxfit_slope, record.fluxfit_icept}) {
        AppendFixedColumn(row, kPhotometricFitColumn, value);
    }
}

void AppendFitStarsStarColumns(std::string& row, const StarEntry& star) {
    // The six columns written backwards into one piece and appended at once;
    // a value the C library must write sends the row the column-by-column way.
    const struct {
        const TableColumn& column;
        double value;
    } columns[] = {{kStarValueColumn, star.oc_arcmin},   {kStarValueColumn, star.log10_flux},
                   {kStarValueColumn, star.log10_inten}, {kStarMagnitudeColumn, star.mv},
                   {kStarDecColumn, star.dec_deg},       {kStarRaColumn, star.ra_deg}};
    char piece[6 * kFixedRoom];
    char* const end = piece + sizeof piece;
    char* start = end;
    for (const auto& entry : columns) {
        start = FormatFixedBefore(start, entry.value, entry.column.width, entry.column.precision,
                                  entry.column.gap);
        if (start == nullptr) break;
    }
    if (start != nullptr) {
        row.append(start, static_cast<std::size_t>(end - start));
        return;
    }
    AppendFixedColumn(row, kStarRaColumn, star.ra_deg);
    AppendFixedColumn(row, kStarDecColumn, star.dec_deg);
    AppendFixedColumn(row, kStarMagnitudeColumn, star.mv);
    for (double value : {star.log10_inten, star.log10_flux, star.oc_arcmin}) {
        AppendFixedColumn(row, kStarValueColumn, value);
    }
}

std::string FitCoefsRow(const CalibrationRecord& record) {
    std::string row;
    AppendFitCoefsRow(row, record);
    return row;
}

std::string FitStarsRow(const CalibrationRecord& record, const StarEntry& star) {
    std::string row;
    AppendFitStarsCalibrationColumns(row, record);
    AppendFitStarsStarColumns(row, star);
    return row;
}

void AppendCalibrationRows(const CalibrationRecord& record, std::string& fit_coefs_rows,
                           std::string& fit_stars_rows) {
    fit_coefs_rows.clear();
    AppendFitCoefsRow(fit_coefs_rows, record);
    fit_coefs_rows += kTableLineEnd;
    fit_stars_rows.clear();
    if (record.star_count <= 0) return;
    // Columns 1 to 8 are the calibration's: formed once, copied into each row.
    AppendFitStarsCalibrationColumns(fit_stars_rows, record);
    const std::size_t shared_length = fit_stars_rows.size();
    for (int s = 0; s < record.star_count && s < kMaxStars; ++s) {
        if (s > 0) fit_stars_rows.append(fit_stars_rows, 0, shared_length);
        AppendFitStarsStarColumns(fit_stars_rows, record.stars[s]);
        fit_stars_rows += kTableLineEnd;
    }
}
