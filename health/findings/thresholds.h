// Every number that decides what the health report finds, in one place:
// each with its unit and why it has the value it has. The statistical
// methods themselves (their grids, reweightings and constants from the
// literature) keep theirs beside them in health/stats/; what a method is
// asked to find is decided here and passed to it. What a quantity is (the
// faint limit as the 90th percentile of a calibration's stars, say) is
// defined where it is measured.
//
// "sigma" below is a camera's own noise: for a series, 1.4826 times the
// median absolute deviation of its consecutive differences over the square
// root of 2 (DifferenceSigma), which steps and slow trends barely change.
#ifndef HEALTH_FINDINGS_THRESHOLDS_H
#define HEALTH_FINDINGS_THRESHOLDS_H

// --- Settings the command line can change -------------------------------

// Baseline window, days: long enough to hold some 20 calibrations at the
// usual nightly cadence with cloudy nights, short enough to follow seasonal
// changes of the zero point.
constexpr double kDefaultWindowDays = 30.0;
// A camera whose newest calibration is older than this before the newest of
// the folder is stale, days: a week of cloud is common, more is not.
constexpr double kDefaultStaleAfterDays = 7.0;
// A finding decides a camera's status when it is this recent, days: what
// happened in the last week is what the operator acts on tonight.
constexpr double kDefaultRecentDays = 7.0;

// --- The network's clock --------------------------------------------------

// A camera's clock is odd when its newest calibration is more than this far
// ahead of the present the other cameras agree on, days: half a year, which
// a wrong year or a default date exceeds and a spell of bad weather at the
// other sites does not ...
constexpr double kMaxClockLeadDays = 182.0;
// ... where at least this many cameras agree on the present ...
constexpr int kMinAgreeingCameras = 2;
// ... when their newest calibrations lie within this many days of one
// another: cameras that calibrate nightly do, cameras that stopped at
// different times do not, and then a camera ahead cannot be told from
// cameras that stopped.
constexpr double kPresentAgreementDays = 7.0;

// --- Rolling baselines ---------------------------------------------------

// Fewest usable points a rolling window holds; a sparser window grows to
// the nearest ones in order. Five is the fewest whose median and MAD one
// odd value cannot carry.
constexpr int kMinBaselinePoints = 5;
// The camera's reference pointing is the median of its first window, taken
// over at least this many calibrations (as the baselines).
constexpr int kMinReferenceCalibrations = 5;

// Smallest spread a robust z-score divides by, per quantity, in its unit: a
// series that repeats one value (the tables round) has no spread at all.
constexpr double kZFloorPointingArcmin = 1e-3;
constexpr double kZFloorTiltDeg = 1e-3;
constexpr double kZFloorScaleArcminPerPixel = 1e-6;
constexpr double kZFloorScaleChangePercent = 1e-3;
constexpr double kZFloorAspectRatio = 1e-5;
constexpr double kZFloorSkewDeg = 1e-3;
constexpr double kZFloorResidualArcmin = 1e-3;
constexpr double kZFloorFaintLimitMag = 1e-2;
constexpr double kZFloorStarCount = 1.0;

// --- Steps and outliers, shared by the pointing and the plate scale --------

// Change points: a penalty of 2 * axes * ln(n) per change, on points scaled
// to unit noise. Schwarz's criterion (1978) charges ln(n) per new mean,
// axes * ln(n) per change; twice that keeps pure noise in one segment at the
// lengths of a camera's history (tested on noise-only series).
constexpr double kChangePenaltyPerAxisAndLogN = 2.0;
// A step must hold for two calibrations: one off calibration is an outlier.
constexpr int kMinSegmentCalibrations = 2;
// Calibrations on each side of a step that measure its size with the
// common trend taken out: some three weeks of nightly calibrations.
constexpr int kStepSideCalibrations = 20;
// A step is kept at three sigma of the night-to-night scatter or more.
constexpr double kStepSigmas = 3.0;
// An isolated calibration is an outlier at five sigma or more.
constexpr double kOutlierSigmas = 5.0;

// --- Pointing: outliers, moves and drift ----------------------------------

// The tables give azimuth and elevation to 0.001 degree (0.06 arcmin), which
// bounds how small a pointing scatter can be measured, arcmin.
constexpr double kMinPointingSigmaArcmin = 0.03;
// A drift is judged over a stretch between moves of at least this many days
// and calibrations: a settling mount creeps over months.
constexpr double kMinDriftDays = 60.0;
constexpr int kMinDriftCalibrations = 20;
// The drift rate must exceed its standard error this many times: pointing
// noise alone gives a trend of a few standard errors at most.
constexpr double kDriftSignificance = 6.0;

// --- Plate scale ----------------------------------------------------------

// Smallest scale step that is a refocus or lens change, percent: half a
// percent moves a star at the edge of a 640-pixel frame by some 1.5 pixels.
constexpr double kMinScaleStepPercent = 0.5;
// The scale column and the linear terms give the scale to about 0.01 %,
// which bounds how small its scatter can be measured, percent.
constexpr double kMinScaleSigmaPercent = 0.01;

// --- Single calibrations: poor fits and few stars ---------------------------

// A poor fit's O-C sigma is at least this many times the camera's rolling
// median ...
constexpr double kPoorFitRatio = 2.0;
// ... and more than this many rolling spreads above it ...
constexpr double kPoorFitSpreads = 6.0;
// ... the spread counted as at least this part of the median: a camera
// whose residuals barely vary would otherwise flag ordinary nights.
constexpr double kPoorFitSpreadFloorFraction = 0.05;
// A plate aspect ratio or skew off its neighbours' by this many sigma is a
// distorted fit ...
constexpr double kDistortionSigmas = 8.0;
// ... and by at least this much, ratio and degrees: below it, the
// polynomial's linear terms are within their own rounding.
constexpr double kMinAspectChange = 0.005;
constexpr double kMinSkewChangeDeg = 0.3;
// Few stars: below this part of the count the camera's rolling median
// predicts for the night's sensitivity.
constexpr double kFewStarsFraction = 0.3;
// Star counts grow by 10^0.5 per magnitude of limiting magnitude (the
// slope of the cumulative star counts near the naked-eye limit).
constexpr double kStarsPerMagnitudeDex = 0.5;

// --- Zero point: envelopes, weather and drops ---------------------------------

// The clear-night level is an upper envelope: clouds and haze only make
// nights fainter, so the 90th percentile of a window is a clear night.
constexpr double kEnvelopeFraction = 0.9;
// First pass over a long window, days, whose envelope stays at the clear
// level through drops of several weeks (the drops it finds are left out of
// the baseline window's envelope).
constexpr double kLongEnvelopeDays = 90.0;
// A dip: a night this much below the envelope, mag. Two cameras share a
// site when they dip together; less than a dip is a site-mate's own scatter,
// not weather to take out.
constexpr double kDipMag = 0.15;
// Site grouping: two cameras share a site when they dip together on at
// least this many nights ...
constexpr int kMinCommonDips = 5;
// ... at least this many times as often as independent cameras would ...
constexpr double kMinDipLift = 2.0;
// ... and on at least this part of the nights the rarer-dipping one dips.
constexpr double kMinSharedDipFraction = 0.5;
// Two site-mates' losses of weeks that begin and end within this many
// nights of each other are the site's weather: weather dims a site's
// cameras from the same night to the same night (a night either way for
// where a loss's ends are placed), independent dew or dirt does not.
constexpr long long kSharedSpellNights = 1;
// Weather and drops are found in turns (a site-mate's own drop is not
// weather); three rounds settle every network generated so far.
constexpr int kWeatherRounds = 3;
// A site-mate's dimming foretells the camera's own to about a tenth (the
// robust scatter of weather-corrected deficits grows so with the
// correction), as a fraction of the weather taken out.
constexpr double kWeatherUncertainty = 0.1;
// A drop is a deficit of at least max(0.3 mag, 4 sigma): 0.3 mag costs a
// quarter of the faint meteors, and 4 sigma keeps noise out.
constexpr double kMinDropMag = 0.3;
constexpr double kDropSigmas = 4.0;
// The magnitude fit is printed to two decimals, which bounds how small the
// zero point's scatter can be measured, mag.
constexpr double kMinZeroPointSigmaMag = 0.02;
// A drop lasts ten days and five calibrations or more, counted from its
// first calibration affected: haze spells last days, dew and dirt stay.
constexpr double kMinDropDays = 10.0;
constexpr int kMinDropCalibrations = 5;
// Of those days, its deficit needs to stay above the drop threshold only
// this many: a drop that takes a week to reach twice the threshold spends
// some four of its first days below it, days.
constexpr double kMinDropAboveDays = 6.0;
// Calibrations before and after a stretch's first one where its onset may
// lie, and around its last one where its recovery may lie.
constexpr int kOnsetSearchBefore = 12;
constexpr int kOnsetSearchAfter = 12;
constexpr int kRecoverySearch = 4;
// A drop that took longer than this to reach its depth is called gradual
// in its text, days.
constexpr double kGradualDropDays = 2.0;
// Dew, dirt, ageing or gain hold a camera at a steady level night after
// night; weather comes and goes. A stretch whose deficit jumps from night to
// night by more than this part of its depth is weather the site's other
// cameras could not show, judged on at least this many calibrations.
constexpr double kMaxDropRoughness = 0.25;
constexpr int kMinRoughnessCalibrations = 4;

#endif  // HEALTH_FINDINGS_THRESHOLDS_H
