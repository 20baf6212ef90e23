// Rows of the summary tables, built column by column with the table widths.
#include "app/table_rows.h"

#include "app/number_format.h"

namespace {

// "%02d/%02d/%04d %02d:%02d:%02d.%03d": the calibration's date and time.
void AppendDateTime(std::string& row, const CalibrationRecord& record) {
    AppendZeroFilled(row, record.date_first, 2);
    row += '/';
    AppendZeroFilled(row, record.date_second, 2);
    row += '/';
    AppendZeroFilled(row, record.date_year, 4);
    row += ' ';
    AppendZeroFilled(row, record.hour, 2);
    row += ':';
    AppendZeroFilled(row, record.minute, 2);
    row += ':';
    AppendZeroFilled(row, record.second, 2);
    row += '.';
    AppendZeroFilled(row, record.millisecond, 3);
}

void AppendCoefficients(std::string& row, const double (&coefficients)[kMaxTerms], int term_count) {
    for (int k = 0; k < kMaxTerms; ++k) {
        row += ' ';
        AppendExponent3(row, k < term_count ? coefficients[k] : 0.0, 14, 6);
    }
}

}  // namespace

void AppendFitCoefsRow(std::string& row, const CalibrationRecord& record) {
    AppendDateTime(row, record);
    for (double value : {record.ra_center_deg, record.dec_center_deg, record.azim_center_deg,
                         record.elev_center_deg, record.arcmin_per_pixel, record.cam_tilt_deg}) {
        row += ' ';
        AppendFixed(row, value, 7, 3);
    }
    const int term_count = TermCount(record.fit_order);
    AppendCoefficients(row, record.xcoef, term_count);
    AppendCoefficients(row, record.ycoef, term_count);
}

void AppendFitStarsCalibrationColumns(std::string& row, const CalibrationRecord& record) {
    AppendDateTime(row, record);
    row += ' ';
    AppendFixed(row, record.oc_mean_arcmin, 7, 3);
    row += ' ';
    AppendFixed(row, record.oc_sigma_arcmin, 7, 3);
    for (double value :
         {record.magfit_slope, record.magfit_icept, record.fluxfit_slope, record.fluxfit_icept}) {
        row += ' ';
        AppendFixed(row, value, 7, 2);
    }
}

void AppendFitStarsStarColumns(std::string& row, const StarEntry& star) {
    row += "  ";
    AppendFixed(row, star.ra_deg, 9, 5);
    row += ' ';
    AppendFixed(row, star.dec_deg, 9, 5);
    row += ' ';
    AppendFixed(row, star.mv, 6, 2);
    for (double value : {star.log10_inten, star.log10_flux, star.oc_arcmin}) {
        row += ' ';
        AppendFixed(row, value, 7, 3);
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
