// Weather shared by cameras at one site: haze and cloud dim every camera of a
// site on the same nights, while dew or dirt dims one. Cameras whose dips
// coincide far more often than chance are taken to share a site.
#ifndef HEALTH_SITE_WEATHER_H
#define HEALTH_SITE_WEATHER_H

#include <vector>

#include "health/camera_analysis.h"

// Given the cameras with their zero points derived, sets site_group (-1 for a
// camera alone) and weather_mag: per calibration, the median dimming that the
// camera's site-mates saw that night (0 when none calibrated or it is alone).
// Dimming is measured below a 90-day clear-night envelope (90th percentile);
// nights are counted per camera around its usual calibration hour. Two
// cameras share a site when they dip (by 0.15 mag or more) together on at
// least five nights and at least three times as often as independent
// cameras would.
void EstimateSiteWeather(std::vector<CameraAnalysis>& cameras);

// Given a camera and one of its calibrations, returns the night it belongs
// to: days since 1970 counted from half a day before the camera's usual hour.
long long NightOf(const CameraAnalysis& camera, std::size_t index);

#endif  // HEALTH_SITE_WEATHER_H
