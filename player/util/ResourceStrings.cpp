// The string table of the player, in one place so messages and captions stay consistent.
#include "player/util/ResourceStrings.h"

#include <QCoreApplication>

namespace {

struct StringEntry {
    int nId;
    const char* pszText;
};

constexpr StringEntry kStrings[] = {
    {IDS_ABOUTBOX, QT_TRANSLATE_NOOP("Quillet", "&About Quillet...")},
    {IDS_CANNOT_OPEN, QT_TRANSLATE_NOOP("Quillet", "Cannot open the file.")},
    {IDS_TIP_OPEN, QT_TRANSLATE_NOOP("Quillet", "Open")},
    {IDS_TIP_FULLSCREEN, QT_TRANSLATE_NOOP("Quillet", "Full screen")},
    {IDS_TIP_EXIT, QT_TRANSLATE_NOOP("Quillet", "Exit")},
    {IDS_TIP_PLAYPAUSE, QT_TRANSLATE_NOOP("Quillet", "Play/Pause")},
    {IDS_TIP_STOP, QT_TRANSLATE_NOOP("Quillet", "Stop")},
    {IDS_TIP_FASTFORWARD, QT_TRANSLATE_NOOP("Quillet", "Fast Forward")},
    {IDS_CANNOT_SEEK,
     QT_TRANSLATE_NOOP("Quillet", "The audio file cannot be positioned or its length is unknown.")},
    {IDS_NO_AUDIO_OUTPUT, QT_TRANSLATE_NOOP("Quillet", "No audio output")},
    {IDS_NO_AUDIO_OUTPUT_DETAIL,
     QT_TRANSLATE_NOOP("Quillet",
                       "No sound server or device could be opened: the track plays "
                       "without sound.")},
    {IDS_AUDIO_NOT_PLAYED, QT_TRANSLATE_NOOP("Quillet", "Audio not played")},
    // %1: the audio file's name, %2: why it failed.
    {IDS_AUDIO_NOT_PLAYED_DETAIL,
     QT_TRANSLATE_NOOP("Quillet",
                       "The audio could not be played (%1: %2); the graphics play "
                       "without sound.")},
    {IDS_MANUAL_AT,
     QT_TRANSLATE_NOOP("Quillet", "No web browser could be started. The manual is here:")},
    {IDS_REASON_NOT_FOUND, QT_TRANSLATE_NOOP("Quillet", "not found")},
    {IDS_REASON_NOT_READABLE, QT_TRANSLATE_NOOP("Quillet", "not readable")},
    {IDS_REASON_FOLDER, QT_TRANSLATE_NOOP("Quillet", "a folder")},
    {IDS_REASON_NOT_TRACK, QT_TRANSLATE_NOOP("Quillet", "not a track")},
    {IDS_REASON_NOT_DECODED, QT_TRANSLATE_NOOP("Quillet", "not a sound file that can be decoded")},
};

}  // namespace

QString LoadResourceString(int nStringId) {
    for (const StringEntry& entry : kStrings) {
        if (entry.nId == nStringId) {
            return QCoreApplication::translate("Quillet", entry.pszText);
        }
    }
    return QString();
}
