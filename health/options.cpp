#include "health/options.h"

#include <charconv>
#include <system_error>

namespace {

constexpr double kMinWindowDays = 3.0;
constexpr double kMaxWindowDays = 3650.0;
constexpr double kMaxStaleDays = 36500.0;
constexpr double kMaxRecentDays = 3650.0;

bool ParseDays(const std::string& text, double lo, double hi, double& days) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const std::from_chars_result result = std::from_chars(text.data(), end, value);
    if (result.ec != std::errc() || result.ptr != end || !(value >= lo && value <= hi)) return false;
    days = value;
    return true;
}

}  // namespace

std::string UsageText() {
    return "usage: Norv_CalHealth [options] FOLDER\n"
           "\n"
           "Reads the summary tables (SummaryCALnnn_FitCoefs.txt and _FitStars.txt) of FOLDER's Summary\n"
           "sub-folder, or of FOLDER itself when it is a Summary folder, and writes a camera health report:\n"
           "CalHealth.html, CalHealth_findings.csv and CalHealth_calibrations.csv. Tables are only read.\n"
           "\n"
           "options:\n"
           "  --out DIR            write the report into DIR (created if missing) instead of the tables' "
           "folder\n"
           "  --window DAYS        baseline window, default 30: long enough to hold some 20 calibrations at "
           "the\n"
           "                       usual nightly cadence with cloudy nights, short enough to follow "
           "seasonal\n"
           "                       changes of the zero point\n"
           "  --stale-after DAYS   a camera whose newest calibration is more than DAYS older than the newest "
           "in\n"
           "                       the folder is stale; default 7: a week of cloud is common, more is not\n"
           "  --recent DAYS        findings of the last DAYS decide a camera's status; default 7: what "
           "happened\n"
           "                       in the last week is what the operator acts on tonight\n"
           "  --help               this text\n"
           "  --version            the program's version\n"
           "\n"
           "exit status: 2 some camera ACTION, else 3 some camera UNKNOWN (a table that cannot be read),\n"
           "             else 1 some camera WATCH, else 0; 3 also for an error (no such folder, no tables,\n"
           "             a report file or the console output that cannot be written, no memory)\n";
}

bool ParseOptions(const std::vector<std::string>& arguments, HealthOptions& options, std::string& error) {
    bool have_folder = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        const bool has_value = i + 1 < arguments.size();
        if (a == "--help" || a == "-h") {
            options.help = true;
        } else if (a == "--version") {
            options.version = true;
        } else if (a == "--out") {
            if (!has_value) {
                error = "--out needs a folder";
                return false;
            }
            options.out = arguments[++i];
        } else if (a == "--window") {
            if (!has_value ||
                !ParseDays(arguments[i + 1], kMinWindowDays, kMaxWindowDays, options.settings.window_days)) {
                error = "--window needs a number of days from 3 to 3650";
                return false;
            }
            ++i;
        } else if (a == "--stale-after") {
            if (!has_value ||
                !ParseDays(arguments[i + 1], 0.0, kMaxStaleDays, options.settings.stale_after_days)) {
                error = "--stale-after needs a number of days from 0 to 36500";
                return false;
            }
            ++i;
        } else if (a == "--recent") {
            if (!has_value ||
                !ParseDays(arguments[i + 1], 0.0, kMaxRecentDays, options.settings.recent_days)) {
                error = "--recent needs a number of days from 0 to 3650";
                return false;
            }
            ++i;
        } else if (a.size() > 1 && a[0] == '-' && a != "-") {
            error = "unknown option " + a;
            return false;
        } else if (have_folder) {
            error = "more than one folder given";
            return false;
        } else {
            options.folder = a;
            have_folder = true;
        }
    }
    if (!have_folder && !options.help && !options.version) {
        error = "no FOLDER given";
        return false;
    }
    return true;
}
