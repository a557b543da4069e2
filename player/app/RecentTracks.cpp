// The recent tracks list in the settings.
#include "player/app/RecentTracks.h"

#include <QFileInfo>
#include <QSettings>

namespace {

constexpr char kGroup[] = "Recent";

QString Key(int nNumber) {
    return QStringLiteral("File%1").arg(nNumber);
}

}  // namespace

QStringList CRecentTracks::Load() {
    QSettings settings;
    settings.beginGroup(QLatin1String(kGroup));
    QStringList tracks;
    for (int n = 1; n <= kMaxTracks; ++n) {
        const QString strPath = settings.value(Key(n)).toString();
        if (!strPath.isEmpty() && !tracks.contains(strPath)) {
            tracks.append(strPath);
        }
    }
    return tracks;
}

void CRecentTracks::Add(const QString& strPath) {
    // One spelling per file, whatever folder the player was started from.
    const QString strAbsolute = QFileInfo(strPath).absoluteFilePath();
    QStringList tracks = Load();
    tracks.removeAll(strAbsolute);
    tracks.prepend(strAbsolute);
    Store(tracks.mid(0, kMaxTracks));
}

void CRecentTracks::Remove(const QString& strPath) {
    QStringList tracks = Load();
    if (tracks.removeAll(strPath) > 0) {
        Store(tracks);
    }
}

void CRecentTracks::Store(const QStringList& tracks) {
    QSettings settings;
    settings.remove(QLatin1String(kGroup));
    settings.beginGroup(QLatin1String(kGroup));
    for (int n = 1; n <= tracks.size(); ++n) {
        settings.setValue(Key(n), tracks[n - 1]);
    }
    settings.endGroup();
    settings.sync();
}
