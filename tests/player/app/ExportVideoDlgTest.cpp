// "Export video..." in the player: the menu item, the save dialog's suggestion, the
// progress dialog to the end, Cancel, failures, and playback going on meanwhile.
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QProgressBar>
#include <QSignalSpy>

#include "player/app/ExportVideoDlg.h"
#include "tests/player/app/DlgFixture.h"

namespace {

using namespace testtracks;

class ExportVideoDlgTest : public PlayerFixture {
protected:
    void SetUp() override {
        PlayerFixture::SetUp();
        CExportVideoDlg::SetDefaultTool(QStringLiteral(CDGEXPORT_PATH));
    }
    void TearDown() override {
        CExportVideoDlg::SetDefaultTool(QString());
        PlayerFixture::TearDown();
    }

    // Starts an export of the track to strOutput through the menu's entry point.
    CExportVideoDlg* StartExport(const std::string& strTrack, const QString& strOutput) {
        CExportVideoDlg* pDlg = ExportVideo(m_pDlg.get(), QString::fromStdString(strTrack),
                                            [&](const QString&) { return strOutput; });
        return pDlg;
    }
    bool WaitForEnd(CExportVideoDlg* pDlg, int nMs = 60000) {
        return WaitFor(
            [&] {
                const auto state = pDlg->GetState();
                return state != CExportVideoDlg::EState::Running &&
                       state != CExportVideoDlg::EState::Cancelling;
            },
            nMs);
    }
    QString Out(const char* pszName) const {
        return QString::fromStdString(m_pFolder->Path(pszName));
    }
    // Files in the test folder whose names contain part.
    int CountFiles(const QString& strPart) const {
        return static_cast<int>(
            m_pFolder->Dir().path().isEmpty()
                ? 0
                : QDir(m_pFolder->Dir().path())
                      .entryList({QStringLiteral("*") + strPart + QStringLiteral("*")},
                                 QDir::Files | QDir::Hidden)
                      .size());
    }
};

QAction* FindAction(QMenu* pMenu, const QString& strText) {
    for (QAction* pAction : pMenu->actions()) {
        if (pAction->text() == strText) {
            return pAction;
        }
    }
    return nullptr;
}

TEST_F(ExportVideoDlgTest, MenuOffersTheExportOnceATrackIsOpen) {
    std::unique_ptr<QMenu> pMenu(m_pDlg->CreateContextMenu());
    QAction* pExport = FindAction(pMenu.get(), QStringLiteral("Export video..."));
    ASSERT_NE(pExport, nullptr);
    EXPECT_FALSE(pExport->isEnabled()) << "nothing to export before a track is open";
    m_pDlg->OpenTrack(MakeTrack("menu", 0.2, 0.4, 1.0, 1.0));
    pMenu.reset(m_pDlg->CreateContextMenu());
    pExport = FindAction(pMenu.get(), QStringLiteral("Export video..."));
    ASSERT_NE(pExport, nullptr);
    EXPECT_TRUE(pExport->isEnabled());
}

TEST_F(ExportVideoDlgTest, SuggestsTheTracksNameAndDoesNothingWhenCancelled) {
    const std::string strTrack = MakeTrack("My Song", 0.2, 0.4, 1.0, 1.0);
    QString strSuggested;
    CExportVideoDlg* pDlg =
        ExportVideo(m_pDlg.get(), QString::fromStdString(strTrack), [&](const QString& s) {
            strSuggested = s;
            return QString();
        });
    EXPECT_EQ(pDlg, nullptr);
    EXPECT_EQ(strSuggested, Out("My Song.mp4"));
    EXPECT_EQ(CountFiles(QStringLiteral(".mp4")), 0);
    EXPECT_EQ(ExportVideo(m_pDlg.get(), QString(),
                          [](const QString&) { return QStringLiteral("x.mp4"); }),
              nullptr)
        << "no track, no export";
}

TEST_F(ExportVideoDlgTest, ExportsToTheChosenFileWithProgress) {
    const std::string strTrack = MakeTrack("song", 0.3, 0.9, 2.0, 2.0);
    CExportVideoDlg* pDlg = StartExport(strTrack, Out("song.webm"));
    ASSERT_NE(pDlg, nullptr);
    QSignalSpy finished(pDlg, &CExportVideoDlg::Finished);
    EXPECT_TRUE(pDlg->isVisible());
    EXPECT_FALSE(pDlg->isModal()) << "the player stays usable";
    ASSERT_TRUE(WaitForEnd(pDlg));
    EXPECT_EQ(pDlg->GetState(), CExportVideoDlg::EState::Done) << pDlg->GetMessage().toStdString();
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(pDlg->GetPercent(), 100);
    EXPECT_TRUE(pDlg->GetMessage().contains(QStringLiteral("song.webm")));
    EXPECT_GT(QFileInfo(Out("song.webm")).size(), 1000);
    EXPECT_EQ(CountFiles(QStringLiteral(".part")), 0);
    pDlg->close();  // deletes itself
}

TEST_F(ExportVideoDlgTest, CancelStopsTheExportAndLeavesNoFile) {
    const std::string strTrack = MakeTrack("long", 5, 10, 180, 180);
    CExportVideoDlg* pDlg = StartExport(strTrack, Out("long.mp4"));
    ASSERT_NE(pDlg, nullptr);
    QPointer<CExportVideoDlg> guard(pDlg);
    ASSERT_TRUE(
        WaitFor([&] { return pDlg->GetMessage().contains(QStringLiteral("real time")); }, 30000))
        << pDlg->GetMessage().toStdString();
    pDlg->Cancel();
    EXPECT_EQ(pDlg->GetState(), CExportVideoDlg::EState::Cancelling);
    ASSERT_TRUE(WaitFor([&] { return guard.isNull(); }, 30000))
        << "the dialog closes (and deletes itself) once the export has stopped";
    EXPECT_EQ(CountFiles(QStringLiteral("long.mp4")), 0);
}

TEST_F(ExportVideoDlgTest, ClosingTheDialogCancelsToo) {
    const std::string strTrack = MakeTrack("long", 5, 10, 180, 180);
    CExportVideoDlg* pDlg = StartExport(strTrack, Out("closed.mkv"));
    ASSERT_NE(pDlg, nullptr);
    QPointer<CExportVideoDlg> guard(pDlg);
    ASSERT_TRUE(WaitFor(
        [&] {
            return pDlg->GetPercent() > 0 || pDlg->GetMessage().contains(QStringLiteral("left"));
        },
        30000));
    pDlg->reject();  // Escape or the close box
    ASSERT_TRUE(WaitFor([&] { return guard.isNull(); }, 30000));
    EXPECT_EQ(CountFiles(QStringLiteral("closed.mkv")), 0);
}

TEST_F(ExportVideoDlgTest, FailuresShowTheToolsReason) {
    CExportVideoDlg* pDlg = StartExport(m_pFolder->Path("missing.cdg"), Out("missing.mp4"));
    ASSERT_NE(pDlg, nullptr);
    ASSERT_TRUE(WaitForEnd(pDlg));
    EXPECT_EQ(pDlg->GetState(), CExportVideoDlg::EState::Failed);
    EXPECT_TRUE(
        pDlg->GetMessage().startsWith(QStringLiteral("The export failed: cannot open the track")))
        << pDlg->GetMessage().toStdString();
    pDlg->close();
}

TEST_F(ExportVideoDlgTest, AMissingToolIsReported) {
    CExportVideoDlg dlg(QString::fromStdString(MakeTrack("t", 0.2, 0.4, 1.0, 1.0)), Out("t.mp4"));
    dlg.SetToolPath(QString());
    dlg.Start();
    EXPECT_EQ(dlg.GetState(), CExportVideoDlg::EState::Failed);
    EXPECT_TRUE(dlg.GetMessage().contains(QStringLiteral("cdgexport was not found")));
    dlg.SetToolPath(Out("no-such-program"));
    dlg.Start();
    ASSERT_TRUE(WaitForEnd(&dlg));
    EXPECT_EQ(dlg.GetState(), CExportVideoDlg::EState::Failed);
    EXPECT_TRUE(dlg.GetMessage().contains(QStringLiteral("could not be started")))
        << dlg.GetMessage().toStdString();
}

TEST_F(ExportVideoDlgTest, PlaybackGoesOnWhileExporting) {
    m_pDlg->OpenTrack(MakeTrack("playing", 5, 6, 8, 8));
    ASSERT_TRUE(WaitFor([&] { return m_recorder.Count() > 30; }));
    CExportVideoDlg* pDlg = StartExport(MakeTrack("other", 0.5, 1.0, 6.0, 6.0), Out("other.mp4"));
    ASSERT_NE(pDlg, nullptr);
    // While the export runs, the audio moves on and the picture keeps in step with it.
    const double dStart = m_pApp->GetPlayer().GetPositionInSeconds();
    double dWorstLag = 0;
    ASSERT_TRUE(WaitFor(
        [&] {
            const double dPosition = m_pApp->GetPlayer().GetPositionInSeconds();
            const double dPicture = m_pDlg->GetPacketIndex() / 300.0;
            dWorstLag = std::max(dWorstLag, dPosition - dPicture);
            return pDlg->GetState() != CExportVideoDlg::EState::Running;
        },
        60000));
    EXPECT_EQ(pDlg->GetState(), CExportVideoDlg::EState::Done);
    EXPECT_EQ(Status(), 1);
    EXPECT_GT(m_pApp->GetPlayer().GetPositionInSeconds(), dStart);
    EXPECT_LT(dWorstLag, 0.25) << "the picture fell behind the audio";
    pDlg->close();
}

}  // namespace
