// Dropped files and the recent tracks of the player.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include "player/app/RecentTracks.h"
#include "player/util/DisplayText.h"
#include "player/util/ResourceStrings.h"
#include "tests/player/app/TrackFilesFixture.h"

namespace {

using namespace testtracks;

std::unique_ptr<QMimeData> Files(const QStringList& paths) {
    auto pData = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& strPath : paths) {
        urls.append(QUrl::fromLocalFile(strPath));
    }
    pData->setUrls(urls);
    return pData;
}

struct DropCase {
    const char* pszName;
    std::vector<const char*> files;
    const char* pszTrack;  // the one opened; empty: refused
};

class DroppedTrackTest : public ::testing::TestWithParam<DropCase> {};

TEST_P(DroppedTrackTest, TakesTheFirstTrackAmongTheFiles) {
    QStringList paths;
    for (const char* pszFile : GetParam().files) {
        paths.append(QStringLiteral("/music/") + QString::fromUtf8(pszFile));
    }
    const QString strExpected =
        *GetParam().pszTrack == '\0' ? QString() : QStringLiteral("/music/") + GetParam().pszTrack;
    EXPECT_EQ(CPlayerDlg::DroppedTrack(Files(paths).get()), strExpected);
}

INSTANTIATE_TEST_SUITE_P(
    Drops, DroppedTrackTest,
    ::testing::Values(DropCase{"Cdg", {"a.cdg"}, "a.cdg"}, DropCase{"Bin", {"a.BIN"}, "a.BIN"},
                      DropCase{"Zip", {"Artist - Song.Zip"}, "Artist - Song.Zip"},
                      DropCase{"MusicThenTrack", {"a.mp3", "a.cdg"}, "a.cdg"},
                      DropCase{"SeveralTracks", {"b.zip", "a.cdg", "c.bin"}, "b.zip"},
                      DropCase{"MusicOnly", {"a.mp3"}, ""},
                      DropCase{"Text", {"notes.txt", "cdg"}, ""}),
    [](const auto& info) { return std::string(info.param.pszName); });

TEST(DroppedTrack, OnlyLocalFilesCount) {
    QMimeData remote;
    remote.setUrls({QUrl(QStringLiteral("https://example.org/a.cdg"))});
    EXPECT_TRUE(CPlayerDlg::DroppedTrack(&remote).isEmpty());
    QMimeData text;
    text.setText(QStringLiteral("/music/a.cdg"));
    EXPECT_TRUE(CPlayerDlg::DroppedTrack(&text).isEmpty());
    EXPECT_TRUE(CPlayerDlg::DroppedTrack(nullptr).isEmpty());
}

class DropTest : public TrackFilesFixture {
protected:
    // Whether the widget takes a drag of these files when it enters.
    bool Enters(QWidget* pTarget, const QStringList& paths) {
        const auto pData = Files(paths);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, pData.get(), Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(pTarget, &enter);
        return enter.isAccepted();
    }
    // A whole drag: it enters, then the files are let go over the widget (Qt delivers the
    // drop only to a widget that took the drag as it entered).
    bool Drops(QWidget* pTarget, const QStringList& paths) {
        Enters(pTarget, paths);
        const auto pData = Files(paths);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, pData.get(), Qt::LeftButton,
                        Qt::NoModifier);
        QCoreApplication::sendEvent(pTarget, &drop);
        QApplication::processEvents();
        return drop.isAccepted();
    }
};

TEST_F(DropTest, TracksDroppedOnTheDialogOrTheVideoOpenAndPlay) {
    const QString strFirst = QString::fromStdString(MakeTrack("first", 5, 6, 7, 2));
    const QString strSecond = QString::fromStdString(MakeTrack("second", 5, 6, 7, 2));
    const QString strMusic = QString::fromStdString(m_pFolder->Path("second.wav"));
    EXPECT_TRUE(m_pDlg->acceptDrops());
    EXPECT_TRUE(m_pDlg->GetView()->acceptDrops());

    EXPECT_TRUE(Enters(m_pDlg.get(), {strFirst}));
    EXPECT_EQ(Status(), 0) << "entering opens nothing yet";
    EXPECT_TRUE(Drops(m_pDlg.get(), {strFirst}));
    EXPECT_EQ(m_pDlg->GetPath(), strFirst.toStdString());
    EXPECT_EQ(Status(), 1);

    EXPECT_TRUE(Enters(m_pDlg->GetView(), {strMusic, strSecond}));
    EXPECT_TRUE(Drops(m_pDlg->GetView(), {strMusic, strSecond}));
    EXPECT_EQ(m_pDlg->GetPath(), strSecond.toStdString());
    EXPECT_EQ(Status(), 1);
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(DropTest, ZipDroppedOnTheFullScreenVideoPlays) {
    const std::string strZip =
        MakeZip("dropped.zip", {{"d.cdg", CdgBytes(5, 6, 7)}, {"d.wav", AudioBytes("wav", 1.0)}});
    m_pDlg->OnFullScreen();
    ASSERT_TRUE(m_pDlg->GetView()->IsFullScreen());
    EXPECT_TRUE(Drops(m_pDlg->GetView(), {QString::fromStdString(strZip)}));
    EXPECT_EQ(m_pDlg->GetPath(), strZip);
    EXPECT_EQ(Status(), 1);
    EXPECT_FALSE(m_pDlg->GetUnpackedFolder().empty());
}

TEST_F(DropTest, AnythingElseIsRefusedWithoutAMessage) {
    const std::string strTrack = MakeTrack("playing", 5, 6, 7, 2);
    m_pDlg->OpenTrack(strTrack);
    const QString strMusic = QString::fromStdString(m_pFolder->Path("playing.wav"));
    for (QWidget* pTarget :
         {static_cast<QWidget*>(m_pDlg.get()), static_cast<QWidget*>(m_pDlg->GetView())}) {
        EXPECT_FALSE(Enters(pTarget, {strMusic}));
        EXPECT_FALSE(Drops(pTarget, {strMusic}));
    }
    QMimeData text;
    text.setText(QStringLiteral("hello"));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_pDlg.get(), &enter);
    EXPECT_FALSE(enter.isAccepted());
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(m_pDlg->GetPath(), strTrack);
    EXPECT_EQ(Status(), 1) << "the track playing is left alone";
}

class RecentTest : public TrackFilesFixture {
protected:
    QMenu* RecentMenu(QMenu* pMenu) {
        for (QAction* pAction : pMenu->actions()) {
            if (pAction->menu() != nullptr && pAction->text() == QStringLiteral("&Recent tracks")) {
                return pAction->menu();
            }
        }
        return nullptr;
    }
    QStringList MenuTracks() {
        std::unique_ptr<QMenu> pMenu(m_pDlg->CreateContextMenu());
        QMenu* pRecent = RecentMenu(pMenu.get());
        EXPECT_NE(pRecent, nullptr);
        QStringList tracks;
        for (QAction* pAction : pRecent ? pRecent->actions() : QList<QAction*>()) {
            tracks.append(pAction->data().toString());
        }
        return tracks;
    }
    void Choose(const QString& strTrack) {
        std::unique_ptr<QMenu> pMenu(m_pDlg->CreateContextMenu());
        QMenu* pRecent = RecentMenu(pMenu.get());
        ASSERT_NE(pRecent, nullptr);
        for (QAction* pAction : pRecent->actions()) {
            if (pAction->data().toString() == strTrack) {
                pAction->trigger();
                return;
            }
        }
        ADD_FAILURE() << "not in the menu: " << strTrack.toStdString();
    }
};

TEST_F(RecentTest, LastTenOpenedNewestFirstKeptInTheSettings) {
    QStringList opened;
    for (int i = 0; i < 12; ++i) {
        const std::string strTrack = MakeTrack(("track " + std::to_string(i)).c_str(), 5, 6, 7, 0);
        m_pDlg->OpenTrack(strTrack);
        opened.prepend(QString::fromStdString(strTrack));
    }
    const QStringList newest = opened.mid(0, CRecentTracks::kMaxTracks);
    EXPECT_EQ(CRecentTracks::Load(), newest);
    EXPECT_EQ(MenuTracks(), newest);
    QSettings settings;
    settings.beginGroup(QStringLiteral("Recent"));
    EXPECT_EQ(settings.childKeys().size(), CRecentTracks::kMaxTracks);
    EXPECT_EQ(settings.value(QStringLiteral("File1")).toString(), newest[0]);
    EXPECT_EQ(settings.value(QStringLiteral("File10")).toString(), newest[9]);
    settings.endGroup();

    // Opened again, a track moves to the top and is listed once.
    m_pDlg->OpenTrack(newest[4].toStdString());
    QStringList reordered = newest;
    reordered.move(4, 0);
    EXPECT_EQ(MenuTracks(), reordered);

    // A track that cannot be opened is not listed.
    m_pDlg->OpenTrack(m_pFolder->Path("missing.cdg"));
    EXPECT_EQ(MenuTracks(), reordered);
}

TEST_F(RecentTest, ChoosingOneOpensItAndZipsAreListedByTheirName) {
    const std::string strZip =
        MakeZip("song.zip", {{"s.cdg", CdgBytes(5, 6, 7)}, {"s.wav", AudioBytes("wav", 1.0)}});
    const std::string strLoose = MakeTrack("loose", 5, 6, 7, 1);
    m_pDlg->OpenTrack(strZip);
    m_pDlg->OpenTrack(strLoose);
    EXPECT_EQ(MenuTracks(),
              (QStringList{QString::fromStdString(strLoose), QString::fromStdString(strZip)}));
    Choose(QString::fromStdString(strZip));
    EXPECT_EQ(m_pDlg->GetPath(), strZip);
    EXPECT_EQ(Status(), 1);
    EXPECT_EQ(MenuTracks().front(), QString::fromStdString(strZip));
}

TEST_F(RecentTest, AMissingOneIsRemovedWithAMessage) {
    const std::string strGone = MakeTrack("gone", 5, 6, 7, 0);
    const std::string strPlaying = MakeTrack("playing", 5, 6, 7, 2);
    m_pDlg->OpenTrack(strGone);
    m_pDlg->OpenTrack(strPlaying);
    ASSERT_TRUE(QFile::remove(QString::fromStdString(strGone)));
    Choose(QString::fromStdString(strGone));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], std::make_pair(IDS_CANNOT_OPEN, kMessageError));
    EXPECT_EQ(m_details[0], QStringLiteral("gone.cdg: no longer there; it has been taken off the "
                                           "recent tracks"));
    EXPECT_EQ(MenuTracks(), QStringList{QString::fromStdString(strPlaying)});
    EXPECT_EQ(m_pDlg->GetPath(), strPlaying) << "the track playing is left alone";
    EXPECT_EQ(Status(), 1);
}

TEST_F(RecentTest, EmptyListGivesADisabledMenuAndOddNamesShowAsTheyAre) {
    {
        std::unique_ptr<QMenu> pMenu(m_pDlg->CreateContextMenu());
        QMenu* pRecent = RecentMenu(pMenu.get());
        ASSERT_NE(pRecent, nullptr);
        EXPECT_FALSE(pRecent->isEnabled());
        EXPECT_TRUE(pRecent->actions().isEmpty());
        // Right after Open, as the commands are listed.
        EXPECT_EQ(pMenu->actions().indexOf(pRecent->menuAction()), 1);
    }
    const std::string strTrack = MakeTrack("Rock & Roll", 5, 6, 7, 0);
    m_pDlg->OpenTrack(strTrack);
    std::unique_ptr<QMenu> pMenu(m_pDlg->CreateContextMenu());
    QMenu* pRecent = RecentMenu(pMenu.get());
    ASSERT_NE(pRecent, nullptr);
    EXPECT_TRUE(pRecent->isEnabled());
    ASSERT_EQ(pRecent->actions().size(), 1);
    const QString strText = pRecent->actions()[0]->text();
    EXPECT_TRUE(strText.startsWith(QStringLiteral("&1 "))) << strText.toStdString();
    EXPECT_TRUE(strText.contains(QStringLiteral("Rock && Roll"))) << "an ampersand stays one";
}

}  // namespace
