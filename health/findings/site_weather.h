// Stage 3, across cameras: weather shared by cameras at one site. Haze and
// cloud dim every camera of a site on the same nights, while dew or dirt dims
// one. Cameras whose dips coincide far more often than chance are taken to
// share a site.
#ifndef HEALTH_FINDINGS_SITE_WEATHER_H
#define HEALTH_FINDINGS_SITE_WEATHER_H

#include <vector>

#include "health/findings/camera_analysis.h"

// Given the cameras with their quantities and zero-point envelopes, and per
// camera the depth of its own drops found so far per calibration (an empty
// list, or an empty entry, for none), returns per camera its site group (-1
// for a camera alone) and weather_mag: per calibration, the least dimming
// that any of its site-mates saw that night (weather dims them all, so one
// clear site-mate means a clear sky; 0 when none calibrated or it is alone).
// A site-mate's own drops are not counted as its dimming, and site-mates
// outside such a drop are asked first (inside one, a site-mate tells the
// weather only as well as the drop's depth is known).
// Dimming is measured below the site envelope (ZeroPointEnvelopes); nights
// are counted per camera around its usual calibration hour. Two cameras
// share a site when they dip (by kDipMag or more) together on at least
// kMinCommonDips nights, at least kMinDipLift times as often as independent
// cameras would, and on at least kMinSharedDipFraction of the nights the
// less often dipping one dips. Never ends the process.
std::vector<SiteWeather> EstimateSiteWeather(const std::vector<CameraAnalysis>& cameras,
                                             const std::vector<std::vector<double>>& own_drop_mag);

// Given the cameras, their site groups (EstimateSiteWeather) and per camera
// the losses of weeks it shows with no weather taken out (zero_point_drop
// findings), removes every loss that a site-mate's loss begins and ends with,
// each within kSharedSpellNights nights: weather dims a site's cameras from
// the same night to the same night, while each camera's dew or dirt comes
// and goes on its own. Never ends the process.
void RemoveSharedLosses(const std::vector<CameraAnalysis>& cameras, const std::vector<SiteWeather>& sites,
                        std::vector<std::vector<Finding>>& losses);

// Given a camera and one of its calibrations, returns the night it belongs
// to: days since 1970 counted from half a day before the camera's usual hour.
long long NightOf(const CameraQuantities& camera, std::size_t index);

#endif  // HEALTH_FINDINGS_SITE_WEATHER_H
