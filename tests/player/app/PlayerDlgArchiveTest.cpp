// Zip tracks through the Open command: every audio kind heard with the graphics in step,
// every bad archive refused with its reason, and the unpacked copy's whole life.
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>

#include "player/audio/DecodedSoundFile.h"
#include "player/util/DisplayText.h"
#include "player/util/ResourceStrings.h"
#include "tests/player/app/TrackFilesFixture.h"
#include "tindlib/WaveFile.h"

namespace {

using namespace testtracks;
using ziptest::ZipEntry;

constexpr double kAudioSeconds = 3.0;
constexpr int kRate = 44100;

class ZipTrackTest : public TrackFilesFixture {
protected:
    // Opens the file as the Open command does when the user chooses it.
    void OpenChosen(const std::string& strPath) {
        m_pDlg->SetFileChooser(
            [strPath](const QString&) { return QString::fromStdString(strPath); });
        m_pDlg->OnCommand(IDC_OPEN);
    }
    // The open track plays its own audio: the source reads the unpacked file, it is as long
    // as the audio put in the zip, and the graphics turn red and green as that audio passes
    // their times.
    void ExpectPlaysInStep(const std::string& strAudioFile) {
        ASSERT_EQ(Status(), 1);
        ASSERT_NE(m_pApp->GetSoundFile(), nullptr);
        EXPECT_EQ(m_pApp->GetSoundFile()->GetFile(),
                  m_pDlg->GetUnpackedFolder() + "/" + strAudioFile);
        EXPECT_NEAR(static_cast<double>(m_pApp->GetSoundFile()->GetLength()), kAudioSeconds * kRate,
                    0.1 * kRate);
        ASSERT_TRUE(WaitFor([&] { return Centre() == kRed; }));
        const double dRedAt = m_pApp->GetPlayer().GetPositionInSeconds();
        ASSERT_TRUE(WaitFor([&] { return Centre() == kGreen; }));
        const double dGreenAt = m_pApp->GetPlayer().GetPositionInSeconds();
        EXPECT_GE(dRedAt, 0.5);
        EXPECT_LT(dRedAt, 1.0);
        EXPECT_GE(dGreenAt, 1.0);
        EXPECT_LT(dGreenAt, 2.0);
    }
};

class ZipAudioKindTest : public ZipTrackTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ZipAudioKindTest, PlaysLikeTheLoosePair) {
    const std::string strKind = GetParam();
    const std::string strZip = MakeZip(
        "Artist - Song.zip", {{"Artist - Song.cdg", CdgBytes(0.5, 1.0, kAudioSeconds)},
                              {"Artist - Song." + strKind, AudioBytes(strKind, kAudioSeconds)}});
    OpenChosen(strZip);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(m_pDlg->GetPath(), strZip);
    EXPECT_TRUE(CurrentFileLabel().contains(QStringLiteral("Artist - Song.zip")));
    if (strKind == "wav") {
        EXPECT_NE(dynamic_cast<tindlib::CWaveFile*>(m_pApp->GetSoundFile()), nullptr);
    } else {
        EXPECT_NE(dynamic_cast<CDecodedSoundFile*>(m_pApp->GetSoundFile()), nullptr);
    }
    ExpectPlaysInStep("track." + strKind);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ZipAudioKindTest,
                         ::testing::Values("wav", "mp3", "wma", "ogg", "flac", "m4a"),
                         [](const auto& info) { return std::string(info.param); });

struct LayoutCase {
    const char* pszName;
    const char* pszTrack;
    const char* pszAudio;
    const char* pszAudioFile;
};

class ZipLayoutTest : public ZipTrackTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(ZipLayoutTest, FindsThePairWhereverItLies) {
    const LayoutCase& c = GetParam();
    const std::string strZip =
        MakeZip("layout.zip", {{"cover.jpg", ziptest::Pattern(300, 5)},
                               {c.pszTrack, CdgBytes(0.5, 1.0, kAudioSeconds)},
                               {c.pszAudio, AudioBytes("wav", kAudioSeconds)}});
    OpenChosen(strZip);
    EXPECT_TRUE(m_messages.empty());
    ExpectPlaysInStep(c.pszAudioFile);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ZipLayoutTest,
    ::testing::Values(LayoutCase{"TitlesDiffer", "SC1234-05.cdg", "Artist - Song.wav", "track.wav"},
                      LayoutCase{"UpperCase", "SONG.CDG", "SONG.WAV", "track.wav"},
                      LayoutCase{"Nested", "Karaoke/Disc 2/Song.cdg", "Karaoke/Disc 2/Song.wav",
                                 "track.wav"}),
    [](const auto& info) { return std::string(info.param.pszName); });

struct BadZipCase {
    const char* pszName;
    // Makes the archive's entries from a good track and audio; empty: raw bytes instead.
    std::function<std::vector<ZipEntry>(const ZipEntry& cdg, const ZipEntry& audio)> entries;
    // Spoils the written archive, when set.
    std::function<bool(const std::string&)> spoil;
    const char* pszSays;  // words of the detail that name the problem
};

bool CutShort(const std::string& strPath) {
    std::vector<uint8_t> bytes = ziptest::ReadBytes(strPath);
    bytes.resize(bytes.size() * 2 / 3);
    return ziptest::WriteBytes(strPath, bytes);
}

bool Scramble(const std::string& strPath) {
    std::vector<uint8_t> bytes = ziptest::ReadBytes(strPath);
    for (size_t i = 200; i < bytes.size() - 200; i += 97) {
        bytes[i] ^= 0x5A;
    }
    return ziptest::WriteBytes(strPath, bytes);
}

class BadZipTest : public ZipTrackTest, public ::testing::WithParamInterface<BadZipCase> {};

TEST_P(BadZipTest, SaysWhatIsWrongWritesNothingAndTheNextTrackPlays) {
    const BadZipCase& c = GetParam();
    const ZipEntry cdg{"Song.cdg", CdgBytes(0.5, 1.0, kAudioSeconds)};
    const ZipEntry audio{"Song.wav", AudioBytes("wav", kAudioSeconds)};
    const std::string strGood = MakeZip("good.zip", {cdg, audio});
    const std::string strBad = MakeZip("bad.zip", c.entries(cdg, audio));
    ASSERT_TRUE(!c.spoil || c.spoil(strBad));
    OpenChosen(strGood);
    ASSERT_EQ(Status(), 1);
    const QString strLabel = CurrentFileLabel();
    const QStringList before =
        QDir(m_pFolder->Dir().path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    OpenChosen(strBad);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], std::make_pair(IDS_CANNOT_OPEN, kMessageError));
    const QString strDetail = m_details[0];
    EXPECT_TRUE(strDetail.startsWith(QStringLiteral("bad.zip: "))) << strDetail.toStdString();
    EXPECT_TRUE(strDetail.contains(QString::fromUtf8(c.pszSays))) << strDetail.toStdString();
    EXPECT_EQ(Status(), 0);
    EXPECT_FALSE(m_pApp->GetReader().IsOpen());
    EXPECT_EQ(CurrentFileLabel(), strLabel);
    EXPECT_TRUE(TrackFolders().empty()) << "nothing is left unpacked";
    EXPECT_EQ(QDir(m_pFolder->Dir().path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              before);

    OpenChosen(strGood);
    EXPECT_EQ(m_messages.size(), 1u);
    ExpectPlaysInStep("track.wav");
}

INSTANTIATE_TEST_SUITE_P(
    Archives, BadZipTest,
    ::testing::Values(
        BadZipCase{"NoTrack", [](const ZipEntry&, const ZipEntry& a) { return std::vector{a}; },
                   nullptr, "no CD+G track"},
        BadZipCase{"CutShort",
                   [](const ZipEntry& t, const ZipEntry& a) {
                       return std::vector{t, a};
                   },
                   CutShort, "damaged or cut short"},
        BadZipCase{"Corrupt",
                   [](const ZipEntry& t, const ZipEntry& a) {
                       return std::vector{t, a};
                   },
                   Scramble, "damaged or cut short"},
        BadZipCase{
            "NotAZip", [](const ZipEntry&, const ZipEntry&) { return std::vector<ZipEntry>{}; },
            [](const std::string& p) { return ziptest::WriteBytes(p, ziptest::Pattern(999, 1)); },
            "bad.zip: not a zip archive"},
        BadZipCase{"Encrypted",
                   [](const ZipEntry& t, ZipEntry a) {
                       a.bEncrypt = true;
                       return std::vector{t, a};
                   },
                   nullptr, "\u201cSong.wav\u201d in the archive is encrypted"},
        BadZipCase{"ClimbsOut",
                   [](const ZipEntry& t, ZipEntry a) {
                       a.strName = "../../../Song.wav";
                       return std::vector{t, a};
                   },
                   nullptr, "leads out of its folder: \u201c../../../Song.wav\u201d"},
        BadZipCase{"ClaimsTooMuch",
                   [](const ZipEntry& t, const ZipEntry& a) {
                       return std::vector{t, a};
                   },
                   [](const std::string& p) {
                       return ziptest::PatchDeclaredSize(p, "Song.wav", 700u << 20);
                   },
                   "claims 700 MB, more than the 512 MB"},
        BadZipCase{
            "UnpacksBeyondItsClaim",
            [](const ZipEntry& t, const ZipEntry& a) {
                return std::vector{t, a};
            },
            [](const std::string& p) { return ziptest::PatchDeclaredSize(p, "Song.wav", 4096); },
            "unpacks to more than the 4096 bytes it claims"},
        BadZipCase{"TenThousandEntries",
                   [](const ZipEntry&, const ZipEntry&) { return std::vector<ZipEntry>{}; },
                   [](const std::string& p) { return ziptest::WriteManyEntries(p, 10000); },
                   "holds 10000 files"}),
    [](const auto& info) { return std::string(info.param.pszName); });

TEST_F(ZipTrackTest, UnpackedCopyGoesWhenAnotherTrackOpensAndWhenThePlayerCloses) {
    const std::vector<ZipEntry> entries{{"a.cdg", CdgBytes(5, 6, 7)},
                                        {"a.wav", AudioBytes("wav", 1.0)}};
    const std::string strFirst = MakeZip("first.zip", entries);
    const std::string strSecond = MakeZip("second.zip", entries);

    OpenChosen(strFirst);
    const std::string strFolder = m_pDlg->GetUnpackedFolder();
    EXPECT_EQ(TrackFolders(), std::vector<std::string>{strFolder});
    EXPECT_TRUE(QFile::exists(QString::fromStdString(strFolder + "/track.cdg")));

    OpenChosen(strSecond);
    const std::string strNext = m_pDlg->GetUnpackedFolder();
    EXPECT_NE(strNext, strFolder);
    EXPECT_EQ(TrackFolders(), std::vector<std::string>{strNext});

    OpenChosen(MakeTrack("loose", 5, 6, 7, 1));
    EXPECT_EQ(Status(), 1);
    EXPECT_TRUE(m_pDlg->GetUnpackedFolder().empty());
    EXPECT_TRUE(TrackFolders().empty()) << "a loose track needs no copy";

    OpenChosen(strFirst);
    ASSERT_EQ(TrackFolders().size(), 1u);
    m_pDlg->OnStop();
    EXPECT_EQ(TrackFolders().size(), 1u) << "Stop keeps the track open";
    m_pDlg->done(QDialog::Accepted);
    m_pDlg.reset();
    EXPECT_TRUE(TrackFolders().empty()) << "closing the player removes the copy";
}

TEST_F(ZipTrackTest, CommandLineZipPlays) {
    const std::string strZip =
        MakeZip("My Song.zip", {{"My Song.cdg", CdgBytes(0.5, 1.0, kAudioSeconds)},
                                {"My Song.wav", AudioBytes("wav", kAudioSeconds)}});
    m_pApp->m_strCmdLine = "\"" + strZip + "\"";
    m_pDlg->OnInitialOpen();
    EXPECT_EQ(m_pDlg->GetPath(), strZip);
    EXPECT_TRUE(CurrentFileLabel().contains(QStringLiteral("My Song.zip")));
    ExpectPlaysInStep("track.wav");
}

// The program itself: killed while it plays a zip, its copy stays behind until the next
// start, which removes it.
TEST_F(ZipTrackTest, NextStartRemovesTheCopyOfAKilledRun) {
    const std::string strZip =
        MakeZip("killed.zip", {{"k.cdg", CdgBytes(5, 6, 30)}, {"k.wav", AudioBytes("wav", 1.0)}});
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"),
               m_pFolder->Dir().filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TINDLIB_AUDIO_SINK"), QStringLiteral("fakesink sync=true"));

    QProcess killed;
    killed.setProcessEnvironment(env);
    killed.start(QStringLiteral(QUILLET_PROGRAM), {QString::fromStdString(strZip)});
    ASSERT_TRUE(killed.waitForStarted());
    ASSERT_TRUE(WaitFor(
        [&] {
            const auto folders = TrackFolders();
            return folders.size() == 1 &&
                   QFile::exists(QString::fromStdString(folders[0] + "/track.wav"));
        },
        20000));
    const std::vector<std::string> left = TrackFolders();
    EXPECT_NE(left[0].find("quillet-track-" + std::to_string(killed.processId()) + "-"),
              std::string::npos);
    killed.kill();
    ASSERT_TRUE(killed.waitForFinished());
    EXPECT_EQ(TrackFolders(), left) << "a killed run cannot clean up";

    QProcess next;
    next.setProcessEnvironment(env);
    next.start(QStringLiteral(QUILLET_PROGRAM), {});
    ASSERT_TRUE(next.waitForStarted());
    EXPECT_TRUE(WaitFor([&] { return TrackFolders().empty(); }, 20000));
    next.kill();
    next.waitForFinished();
}

}  // namespace
