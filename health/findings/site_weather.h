// Weather shared by cameras at one site: haze and cloud dim every camera of a
// site on the same nights, while dew or dirt dims one. Cameras whose dips
// coincide far more often than chance are taken to share a site.
#ifndef HEALTH_FINDINGS_SITE_WEATHER_H
#define HEALTH_FINDINGS_SITE_WEATHER_H

#include <vector>

#include "health/findings/camera_analysis.h"

// Given the cameras with their zero points derived, sets site_group (-1 for a
// camera alone) and weather_mag: per calibration, the least dimming that any
// of the camera's site-mates saw that night (weather dims them all, so one
// clear site-mate means a clear sky; 0 when none calibrated or it is alone).
// A site-mate's own drops found so far (own_drop_mag) are not counted as
// its dimming, and site-mates outside such a drop are asked first (inside
// one, a site-mate tells the weather only as well as the drop's depth is
// known).
// Dimming is measured below a 30-day clear-night envelope (90th percentile,
// kept in zero_point_site_envelope when first computed);
// nights are counted per camera around its usual calibration hour. Two
// cameras share a site when they dip (by 0.15 mag or more) together on at
// least five nights, at least twice as often as independent cameras would,
// and on at least half the nights the less often dipping one dips.
void EstimateSiteWeather(std::vector<CameraAnalysis>& cameras);

// Given a camera and one of its calibrations, returns the night it belongs
// to: days since 1970 counted from half a day before the camera's usual hour.
long long NightOf(const CameraAnalysis& camera, std::size_t index);

#endif  // HEALTH_FINDINGS_SITE_WEATHER_H
