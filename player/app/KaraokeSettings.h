// The karaoke settings: vocal removal, key and sync offset, read and written in "Settings".
#pragma once

#include <QString>
#include <QVariant>

// Ranges of the values; anything outside is clamped.
inline constexpr int kMinKeySemitones = -6;
inline constexpr int kMaxKeySemitones = 6;
inline constexpr int kMinSyncOffsetMs = -1000;
inline constexpr int kMaxSyncOffsetMs = 1000;
inline constexpr int kSyncOffsetStepMs = 10;

struct SKaraokeSettings {
    bool bVocalRemoval = false;
    int nKeySemitones = 0;
    int nSyncOffsetMs = 0;  // positive: the graphics later than the audio

    bool operator==(const SKaraokeSettings&) const = default;
};

namespace karaoke {

int ClampKey(int nSemitones);
// Clamped and rounded to the nearest step.
int ClampSyncOffset(int nMs);
// A stored value as each setting takes it: integers as written (not numbers give the
// default, out of range is clamped); a switch as true/false or 1/0 (else the default).
int ParseKey(const QVariant& value);
int ParseSyncOffset(const QVariant& value);
bool ParseSwitch(const QVariant& value, bool bDefault);

// Reads "VocalRemoval", "KeySemitones" and "SyncOffsetMs" from the group "Settings" of
// the application's settings and writes the usable values back.
SKaraokeSettings LoadSettings();
void SaveSettings(const SKaraokeSettings& settings);

}  // namespace karaoke
