// CRecentTracks: the tracks opened last, newest first, kept in the settings group "Recent".
#pragma once

#include <QStringList>

// Stored as "File1" (the newest) to "File10" in the group "Recent" of the application's
// settings. UI thread.
class CRecentTracks {
public:
    static constexpr int kMaxTracks = 10;

    // The stored list, newest first (empty and repeated values left out).
    static QStringList Load();
    // Puts the track at the top (once), keeps the newest ten and stores the list.
    static void Add(const QString& strPath);
    // Takes the track out of the stored list.
    static void Remove(const QString& strPath);

private:
    static void Store(const QStringList& tracks);
};
