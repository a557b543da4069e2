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
