// The karaoke settings: parsing, clamping and the settings store.
#include "player/app/KaraokeSettings.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include <QSettings>

namespace karaoke {

namespace {

const QString kVocalRemovalKey = QStringLiteral("Settings/VocalRemoval");
const QString kKeySemitonesKey = QStringLiteral("Settings/KeySemitones");
const QString kSyncOffsetKey = QStringLiteral("Settings/SyncOffsetMs");

// An integer written as one (blanks around it allowed); false otherwise. Values beyond
// int are kept at its ends, so that clamping still gives the nearest end.
bool ParseInt(const QVariant& value, int* pn) {
    bool bNumber = false;
    const qlonglong n = value.toString().trimmed().toLongLong(&bNumber);
    if (!bNumber) {
        return false;
    }
    *pn = static_cast<int>(std::clamp<qlonglong>(n, INT_MIN, INT_MAX));
    return true;
}

}  // namespace

int ClampKey(int nSemitones) {
    return std::clamp(nSemitones, kMinKeySemitones, kMaxKeySemitones);
}

int ClampSyncOffset(int nMs) {
    const int nClamped = std::clamp(nMs, kMinSyncOffsetMs, kMaxSyncOffsetMs);
    const double dSteps = std::round(static_cast<double>(nClamped) / kSyncOffsetStepMs);
    return static_cast<int>(dSteps) * kSyncOffsetStepMs;
}

int ParseKey(const QVariant& value) {
    int n = 0;
    return ParseInt(value, &n) ? ClampKey(n) : 0;
}

int ParseSyncOffset(const QVariant& value) {
    int n = 0;
    return ParseInt(value, &n) ? ClampSyncOffset(n) : 0;
}

bool ParseSwitch(const QVariant& value, bool bDefault) {
    const QString str = value.toString().trimmed().toLower();
    if (str == QLatin1String("true") || str == QLatin1String("1")) {
        return true;
    }
    if (str == QLatin1String("false") || str == QLatin1String("0")) {
        return false;
    }
    return bDefault;
}

SKaraokeSettings LoadSettings() {
    SKaraokeSettings result;
    {
        QSettings settings;
        result.bVocalRemoval = ParseSwitch(settings.value(kVocalRemovalKey), false);
        result.nKeySemitones = ParseKey(settings.value(kKeySemitonesKey, 0));
        result.nSyncOffsetMs = ParseSyncOffset(settings.value(kSyncOffsetKey, 0));
    }
    SaveSettings(result);
    return result;
}

void SaveSettings(const SKaraokeSettings& values) {
    QSettings settings;
    settings.setValue(kVocalRemovalKey, values.bVocalRemoval);
    settings.setValue(kKeySemitonesKey, values.nKeySemitones);
    settings.setValue(kSyncOffsetKey, values.nSyncOffsetMs);
    settings.sync();
}

}  // namespace karaoke
