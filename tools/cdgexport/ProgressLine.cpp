// Progress arithmetic and its two text forms.
#include "tools/cdgexport/ProgressLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace cdgexport {

namespace {

// Below this much wall time the speed is mostly start-up noise.
constexpr double kMinElapsed = 0.2;

double Percent(const ExportProgress& p) {
    if (!(p.dTotalSeconds > 0)) {
        return 0;
    }
    return std::clamp(100.0 * p.dDoneSeconds / p.dTotalSeconds, 0.0, 100.0);
}

}  // namespace

double ExportSpeed(const ExportProgress& p) {
    if (p.dElapsedSeconds < kMinElapsed || !(p.dDoneSeconds > 0)) {
        return 0;
    }
    return p.dDoneSeconds / p.dElapsedSeconds;
}

double SecondsLeft(const ExportProgress& p) {
    const double dSpeed = ExportSpeed(p);
    if (!(dSpeed > 0) || !(p.dTotalSeconds > 0)) {
        return -1;
    }
    return std::max(p.dTotalSeconds - p.dDoneSeconds, 0.0) / dSpeed;
}

std::string FormatProgressLine(const ExportProgress& p) {
    char text[96];
    const double dSpeed = ExportSpeed(p);
    const double dLeft = SecondsLeft(p);
    if (dSpeed > 0 && dLeft >= 0) {
        const auto nLeft = static_cast<long>(std::ceil(dLeft));
        std::snprintf(text, sizeof(text), "%3d%%  %.1fx real time  %ld:%02ld left",
                      static_cast<int>(Percent(p)), dSpeed, nLeft / 60, nLeft % 60);
    } else {
        std::snprintf(text, sizeof(text), "%3d%%", static_cast<int>(Percent(p)));
    }
    return text;
}

std::string FormatProgressRecord(const ExportProgress& p) {
    char text[64];
    const double dLeft = SecondsLeft(p);
    std::snprintf(text, sizeof(text), "%.1f %.1f %ld", Percent(p), ExportSpeed(p),
                  dLeft >= 0 ? static_cast<long>(std::ceil(dLeft)) : -1L);
    return text;
}

}  // namespace cdgexport
