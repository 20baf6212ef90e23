// The CAL file text of a generated calibration, and its file name.
#ifndef TOOLS_CAL_TEXT_H
#define TOOLS_CAL_TEXT_H

#include <string>

#include "tools/calibration_sample.h"

// Given a calibration, appends its CAL file text (line feeds only) to text:
// eighteen header lines "label = value", the site block (two text lines, ten
// numbers), five heading lines, the coefficient table of 3, 6 or 10 lines,
// the residual, magnitude-fit and flux-fit lines with their text, three
// star-table heading lines and one row per star (row number and 12 values).
void AppendCalText(const CalibrationSample& sample, std::string& text);

// Given a calibration, returns its file name CALnnn_YYYYMMDD_HHMMSS_mmm.txt.
std::string CalFileName(const CalibrationSample& sample);

#endif  // TOOLS_CAL_TEXT_H
