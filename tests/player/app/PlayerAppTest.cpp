// CPlayerApp: the FPS setting, the settings' names, the command line, the help page and the
// decoded source's messages.
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>
#include <gtest/gtest.h>

#include "player/app/PlayerApp.h"
#include "player/audio/DecodedSoundFile.h"
#include "player/util/ResourceStrings.h"
#include "tests/player/app/TestTracks.h"
#include "tests/support/PipedFile.h"

namespace {

using testtracks::App;
using testtracks::CTestFolder;

struct FpsCase {
    const char* pszName;
    QVariant stored;  // invalid: no value yet
    int nExpected;
};

class LoadFpsTest : public ::testing::TestWithParam<FpsCase> {};

TEST_P(LoadFpsTest, ReadsUsableValuesAndWritesTheResultBack) {
    App();
    CTestFolder folder;
    if (GetParam().stored.isValid()) {
        QSettings().setValue(QStringLiteral("Settings/FPS"), GetParam().stored);
    }
    EXPECT_EQ(CPlayerApp::LoadFps(), GetParam().nExpected);
    EXPECT_EQ(QSettings().value(QStringLiteral("Settings/FPS")).toInt(), GetParam().nExpected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, LoadFpsTest,
    ::testing::Values(FpsCase{"Absent", QVariant(), 25}, FpsCase{"Fifty", 50, 50},
                      FpsCase{"One", 1, 1}, FpsCase{"Thousand", 1000, 1000}, FpsCase{"Zero", 0, 25},
                      FpsCase{"Negative", -3, 25}, FpsCase{"TooFast", 1001, 25},
                      FpsCase{"Text", QStringLiteral("fast"), 25}, FpsCase{"Empty", QString(), 25},
                      FpsCase{"TextNumber", QStringLiteral("30"), 30}),
    [](const auto& info) { return std::string(info.param.pszName); });

TEST(PlayerApp, SettingsLiveUnderQuilletAndTheProgramsName) {
    App();
    CTestFolder folder;
    CPlayerApp app;
    app.InitInstance(QStringLiteral("/opt/tools/karaoke-box"), {});
    EXPECT_EQ(QCoreApplication::organizationName(), QStringLiteral("Quillet"));
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("karaoke-box"));
    CPlayerApp::LoadFps();
    const QString strFile = QSettings().fileName();
    EXPECT_TRUE(strFile.endsWith(QStringLiteral("Quillet/karaoke-box.conf")))
        << strFile.toStdString();
    EXPECT_TRUE(QFileInfo::exists(strFile)) << "the value is written at the first start";
    EXPECT_FALSE(tindlib::CSoundFile::c_bCreatePeakFiles);
}

TEST(PlayerApp, CommandLineIsOnePath) {
    App();
    CTestFolder folder;
    CPlayerApp app;
    app.InitInstance(QStringLiteral("quillet"),
                     {QStringLiteral("/songs/my"), QStringLiteral("song.cdg")});
    EXPECT_EQ(app.m_strCmdLine, "/songs/my song.cdg");
    app.InitInstance(QStringLiteral("quillet"), {});
    EXPECT_EQ(app.m_strCmdLine, "");
    EXPECT_EQ(CPlayerApp::Get(), &app);
}

TEST(PlayerApp, HelpOpensThePageBesideTheProgram) {
    App();
    QUrl opened;
    CPlayerApp::SetUrlOpener([&](const QUrl& url) {
        opened = url;
        return true;
    });
    CPlayerApp::OnHelp();
    CPlayerApp::SetUrlOpener({});
    ASSERT_TRUE(opened.isLocalFile());
    EXPECT_EQ(QFileInfo(opened.toLocalFile()).fileName(), QStringLiteral("player.htm"));
    EXPECT_TRUE(QFileInfo(opened.toLocalFile()).isAbsolute());
    EXPECT_EQ(opened.toLocalFile(), CPlayerApp::HelpPath());
}

}  // namespace

TEST(PlayerApp, DecodedSourceReportsThroughTheStringTable) {
    App();
    CTestFolder folder;
    CPlayerApp app;
    app.InitInstance(QStringLiteral("quillet"), {});
    ASSERT_TRUE(testtracks::WriteWav(folder.Path("song.wav"), 0.5));
    const std::string strPipe = folder.Path("pipe.wav");
    CPipedFile pipe(strPipe, folder.Path("song.wav"));
    ASSERT_TRUE(pipe.Made());

    QString strShown;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        if (auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            strShown = pBox->text();
            icon = pBox->icon();
            pBox->done(0);
        }
    });
    CDecodedSoundFile source;
    EXPECT_FALSE(source.Open(strPipe, kOpenModeRead));
    EXPECT_EQ(strShown, LoadResourceString(IDS_CANNOT_SEEK));
    EXPECT_EQ(icon, QMessageBox::Critical);
}
