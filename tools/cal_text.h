// The CAL file text of a calibration, and its file name.
#ifndef TOOLS_CAL_TEXT_H
#define TOOLS_CAL_TEXT_H

#include <optional>
#include <string>

#include "tools/calibration_sample.h"

// How a CAL text is written. The defaults give the generator's files.
struct CalTextOptions {
    // Lines end with CR LF instead of LF.
    bool crlf = false;
    // Labels are their leading words only ("Site latitude = ..."), without
    // the unit in parentheses and the padding that aligns the values.
    bool bare_labels = false;
    // Text written after each value that the next line's label follows (the
    // header lines, the first nine site numbers, the magnitude-fit lines and
    // the flux-fit slope), such as " deg".
    std::string unit_after_values;
    // Every real number written with 17 significant digits, so that each
    // reads back as exactly the value of the sample.
    bool round_trip_numbers = false;
    // The star table's rows exactly as given, in place of the sample's stars.
    std::optional<std::string> star_rows;
};

// Given a calibration, appends its CAL file text to text: eighteen header
// lines "label = value", the site block (two text lines, ten numbers), five
// heading lines, one coefficient line for each term of the fit order (none
// for an order other than 1, 2 or 3), the residual, magnitude-fit and
// flux-fit lines with their text, three star-table heading lines and one row
// per star (row number and 12 values in file column order).
void AppendCalText(const CalibrationSample& sample, std::string& text, const CalTextOptions& options = {});

// Given a calibration, returns its CAL file text as AppendCalText writes it.
std::string CalText(const CalibrationSample& sample, const CalTextOptions& options = {});

// Given a calibration, returns its file name CALnnn_YYYYMMDD_HHMMSS_mmm.txt.
std::string CalFileName(const CalibrationSample& sample);

#endif  // TOOLS_CAL_TEXT_H
