// The player as a desktop runs it: the default audio output through a real sound server
// (a null output), no server at all, audio that cannot be played, and honest messages.
#include <QFile>
#include <QFileInfo>
#include <QLabel>

#include "player/util/ResourceStrings.h"
#include "tests/player/app/DlgFixture.h"
#include "tests/support/NullSoundServer.h"

namespace {

using namespace testtracks;

// The output each test plays through; empty: the default (TINDLIB_AUDIO_SINK unset).
class DesktopOutputTest : public PlayerFixture, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        ASSERT_TRUE(TestSoundServer().IsRunning()) << TestSoundServer().Error();
        setenv("PULSE_SERVER", TestSoundServer().Address().c_str(), 1);
        if (*GetParam() == '\0') {
            unsetenv("TINDLIB_AUDIO_SINK");
        } else {
            setenv("TINDLIB_AUDIO_SINK", GetParam(), 1);
        }
        PlayerFixture::SetUp();
    }
    void TearDown() override {
        PlayerFixture::TearDown();
        setenv("TINDLIB_AUDIO_SINK", "fakesink sync=true", 1);
    }
};

TEST_P(DesktopOutputTest, GraphicsFollowTheHeardAudio) {
    m_pDlg->OpenTrack(MakeTrack("track", 0.6, 1.2, 3.0, 4.0));
    EXPECT_EQ(Status(), 1);
    EXPECT_TRUE(m_pApp->GetPlaybackManager().HasOutput());
    EXPECT_EQ(m_pDlg->GetNotice(), QStringLiteral("\u00a9 2026 Brindle"));
    // A null output may hold the first audio back and then skip what came late, so the
    // red stretch may not be seen; what is seen follows the heard position.
    ASSERT_TRUE(WaitFor([&] { return Centre() == kGreen; }, 10000));
    EXPECT_GE(m_pApp->GetPlayer().GetPositionInSeconds(), 1.2);
    ASSERT_TRUE(WaitFor(
        [&] { return static_cast<QLabel*>(m_pDlg->GetDlgItem(IDC_TIME))->text() == "0:01"; }));
    const std::vector<int32_t> indices = m_recorder.Indices();
    ASSERT_GE(indices.size(), static_cast<size_t>(cdgauthor::CdgTrackWriter::PacketAt(1.2)));
    for (size_t i = 0; i < indices.size(); ++i) {
        ASSERT_EQ(indices[i], static_cast<int32_t>(i)) << "no packet skipped";
    }
}

INSTANTIATE_TEST_SUITE_P(Outputs, DesktopOutputTest, ::testing::Values("", "pulsesink"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(*info.param == '\0' ? "Default" : "Pulsesink");
                         });

class NoSoundServerTest : public PlayerFixture {
protected:
    void SetUp() override {
        CNullSoundServer::UseNoServer();
        setenv("TINDLIB_AUDIO_SINK", "pulsesink", 1);
        PlayerFixture::SetUp();
    }
    void TearDown() override {
        PlayerFixture::TearDown();
        unsetenv("PULSE_SERVER");
        setenv("TINDLIB_AUDIO_SINK", "fakesink sync=true", 1);
    }
};

TEST_F(NoSoundServerTest, TheTrackPlaysInTimeAndTheDialogSaysSoOnce) {
    m_pDlg->OpenTrack(MakeTrack("track", 0.4, 0.8, 2.0, 3.0));
    EXPECT_EQ(Status(), 1);
    EXPECT_EQ(m_pDlg->GetNotice(), LoadResourceString(IDS_NO_AUDIO_OUTPUT));
    EXPECT_TRUE(m_messages.empty()) << "no modal box stops playback";
    ASSERT_TRUE(WaitFor([&] { return Centre() == kRed; }));
    EXPECT_GE(m_pApp->GetPlayer().GetPositionInSeconds(), 0.4);
    ASSERT_TRUE(WaitFor([&] { return Centre() == kGreen; }));
    // Said once: the next track plays without repeating it.
    m_pDlg->OpenTrack(MakeTrack("next", 0.2, 5, 6, 6));
    EXPECT_NE(m_pDlg->GetNotice(), LoadResourceString(IDS_NO_AUDIO_OUTPUT));
    ASSERT_TRUE(WaitFor([&] { return Centre() == kRed; }));
}

class HonestMessagesTest : public PlayerFixture {};

TEST_F(HonestMessagesTest, AudioThatCannotBePlayedIsSaidAndTheGraphicsRunOnSilence) {
    const std::string strCdg = MakeTrack("garbage", 0.3, 5, 6, 0);
    QFile mp3(QString::fromStdString(m_pFolder->Path("garbage.mp3")));
    ASSERT_TRUE(mp3.open(QIODevice::WriteOnly));
    mp3.write(QByteArray(64 * 1024, '\x5a'));
    mp3.close();
    m_pDlg->OpenTrack(strCdg);
    EXPECT_EQ(m_pDlg->GetNotice(), LoadResourceString(IDS_AUDIO_NOT_PLAYED));
    const QString strTip = m_pDlg->GetDlgItem(IDC_NOTICE)->toolTip();
    EXPECT_TRUE(strTip.contains(QStringLiteral("garbage.mp3"))) << strTip.toStdString();
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(Status(), 1) << "played against silence";
    ASSERT_TRUE(WaitFor([&] { return Centre() == kRed; }));

    // A good track afterwards brings the notice back.
    m_pDlg->OpenTrack(MakeTrack("good", 0.2, 5, 6, 6));
    EXPECT_EQ(m_pDlg->GetNotice(), QStringLiteral("\u00a9 2026 Brindle"));
}

TEST_F(HonestMessagesTest, CannotOpenNamesTheFileAndTheReason) {
    const struct {
        const char* pszName;
        std::string strPath;
        int nReason;
    } rows[] = {
        {"missing file", m_pFolder->Path("nothere.cdg"), IDS_REASON_NOT_FOUND},
        {"a folder", m_pFolder->Path(""), IDS_REASON_FOLDER},
    };
    for (const auto& row : rows) {
        m_messages.clear();
        m_details.clear();
        m_pDlg->OpenTrack(row.strPath);
        ASSERT_EQ(m_messages.size(), 1u) << row.pszName;
        EXPECT_EQ(m_messages[0].first, IDS_CANNOT_OPEN) << row.pszName;
        EXPECT_TRUE(m_details[0].endsWith(LoadResourceString(row.nReason)))
            << row.pszName << ": " << m_details[0].toStdString();
        const QString strName = QFileInfo(QString::fromStdString(row.strPath)).fileName();
        EXPECT_TRUE(m_details[0].startsWith(strName)) << row.pszName;
    }
}

TEST_F(HonestMessagesTest, SilenceEndsAtItsLength) {
    m_pDlg->OpenTrack(MakeTrack("silent", 0.2, 700, 700, 0));
    ASSERT_TRUE(WaitFor([&] { return Centre() == kRed; }));
    // Near the end of the ten minutes of silence, the track stops as at any end of audio.
    ASSERT_TRUE(m_pApp->GetPlayer().SetPositionInSeconds(598.5));
    ASSERT_TRUE(WaitFor([&] { return Status() == 0 && m_pDlg->GetPacketIndex() == 0; }, 8000));
    ASSERT_TRUE(WaitFor([&] { return Centre() == kBlack; }));
}

TEST_F(HonestMessagesTest, HelpWithoutABrowserSaysWhereTheManualIs) {
    CPlayerApp::SetUrlOpener([](const QUrl&) { return false; });
    QTest::keyClick(m_pDlg.get(), Qt::Key_F1);
    CPlayerApp::SetUrlOpener(nullptr);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].first, IDS_MANUAL_AT);
    EXPECT_EQ(m_details[0], CPlayerApp::HelpPath());
}

}  // namespace
