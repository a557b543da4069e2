// CPlayerDlg: layout and sizing, the full-screen switch, keys and mnemonics, commands,
// messages, command lines.
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include "player/app/AboutDlg.h"
#include "player/util/DisplayText.h"
#include "player/util/ResourceStrings.h"
#include "tests/player/app/DlgFixture.h"
#include "tindlib/HyperLink2.h"

namespace {

using namespace testtracks;

class PlayerDlgTest : public PlayerFixture {};

TEST_F(PlayerDlgTest, StartsWithAVideoAreaOfOneFrameAndThatAsMinimum) {
    QWidget* pVideo = m_pDlg->GetDlgItem(IDC_VIDEO);
    ASSERT_NE(pVideo, nullptr);
    EXPECT_EQ(pVideo->size(), QSize(320, 240));
    EXPECT_EQ(m_pDlg->GetView()->geometry(), pVideo->geometry());
    EXPECT_EQ(m_pDlg->minimumSize(), m_pDlg->size());
    EXPECT_EQ(m_pDlg->windowTitle(), QStringLiteral("Quillet"));
}

TEST_F(PlayerDlgTest, GrowingMovesAndStretchesControlsByTheirAnchors) {
    std::map<int, QRect> before;
    for (int nId : {IDC_VIDEO, IDC_OPEN, IDC_FULLSCREEN, IDC_CLOSE, IDC_PLAY, IDC_FASTFORWARD,
                    IDC_STOP, IDC_WEBLINK, IDC_NOTICE, IDC_TIME_CAPTION, IDC_TIME,
                    IDC_CURRENT_FILE_CAPTION, IDC_CURRENT_FILE}) {
        ASSERT_NE(m_pDlg->GetDlgItem(nId), nullptr) << nId;
        before[nId] = m_pDlg->GetDlgItem(nId)->geometry();
    }
    const QSize start = m_pDlg->size();
    m_pDlg->resize(start + QSize(100, 100));
    QApplication::processEvents();
    auto moved = [&](int nId) { return m_pDlg->GetDlgItem(nId)->geometry(); };
    for (int nId : {IDC_OPEN, IDC_FULLSCREEN, IDC_CLOSE}) {
        EXPECT_EQ(moved(nId), before[nId].translated(100, 0)) << nId;
    }
    for (int nId : {IDC_PLAY, IDC_FASTFORWARD, IDC_STOP, IDC_WEBLINK, IDC_TIME_CAPTION, IDC_TIME}) {
        EXPECT_EQ(moved(nId), before[nId].translated(100, 100)) << nId;
    }
    EXPECT_EQ(moved(IDC_VIDEO), before[IDC_VIDEO].adjusted(0, 0, 100, 100));
    EXPECT_EQ(m_pDlg->GetView()->geometry(), moved(IDC_VIDEO)) << "the view follows";
    EXPECT_EQ(moved(IDC_CURRENT_FILE), before[IDC_CURRENT_FILE].adjusted(0, 0, 100, 0));
    EXPECT_EQ(moved(IDC_NOTICE), before[IDC_NOTICE].translated(0, 100));
    EXPECT_EQ(moved(IDC_CURRENT_FILE_CAPTION), before[IDC_CURRENT_FILE_CAPTION]);

    m_pDlg->resize(start);
    QApplication::processEvents();
    for (const auto& [nId, rect] : before) {
        EXPECT_EQ(moved(nId), rect) << "restored: " << nId;
    }
}

TEST_F(PlayerDlgTest, ButtonsCarryPicturesAndTips) {
    const std::pair<int, int> tips[] = {{IDC_OPEN, IDS_TIP_OPEN},
                                        {IDC_FULLSCREEN, IDS_TIP_FULLSCREEN},
                                        {IDC_CLOSE, IDS_TIP_EXIT},
                                        {IDC_PLAY, IDS_TIP_PLAYPAUSE},
                                        {IDC_FASTFORWARD, IDS_TIP_FASTFORWARD},
                                        {IDC_STOP, IDS_TIP_STOP}};
    for (const auto& [nId, nTip] : tips) {
        auto* pButton = qobject_cast<QPushButton*>(m_pDlg->GetDlgItem(nId));
        ASSERT_NE(pButton, nullptr) << nId;
        EXPECT_FALSE(pButton->icon().isNull()) << nId;
        EXPECT_FALSE(pButton->toolTip().isEmpty()) << nId;
        EXPECT_EQ(pButton->toolTip(), LoadResourceString(nTip)) << nId;
        EXPECT_FALSE(pButton->focusPolicy() & Qt::TabFocus) << "no tab stop: " << nId;
        // Crisp at any size: the picture is drawn for the size asked.
        const QPixmap big = pButton->icon().pixmap(64, 64);
        EXPECT_EQ(big.size(), QSize(64, 64));
    }
}

// The dialog as the program runs it: CPlayerApp::Run, modal in its own loop. Keys go through
// the window system, where that modality decides which window may have them.
class ModalPlayerTest : public AppFixture {};

TEST_F(ModalPlayerTest, KeysInTheVideoToggleFullScreenAndHideTheCursor) {
    const int nResult = RunPlayer([&](CPlayerDlg& dlg) {
        CCdgView* pView = dlg.GetView();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
        pView->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(dlg.windowHandle(), Qt::Key_X);
        ASSERT_TRUE(WaitFor([&] { return pView->IsFullScreen(); }));
        ASSERT_TRUE(pView->isWindow());
        EXPECT_EQ(pView->parentWidget(), &dlg) << "a window of the dialog's own";
        EXPECT_EQ(pView->windowHandle()->transientParent(), dlg.windowHandle());
        EXPECT_EQ(QWidget::keyboardGrabber(), pView);
        EXPECT_TRUE(dlg.IsCursorHidden());
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BlankCursor);

        QTest::keyClick(pView->windowHandle(), Qt::Key_Escape);
        ASSERT_TRUE(WaitFor([&] { return !pView->IsFullScreen(); }));
        EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
        EXPECT_FALSE(dlg.IsCursorHidden());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(pView->geometry(), dlg.GetDlgItem(IDC_VIDEO)->geometry());
        QTest::qWait(100);
        EXPECT_TRUE(dlg.isVisible()) << "Escape in the picture returns to the window";

        // Back in the window the dialog has the focus; a click into the video again, and
        // any other key returns as well.
        EXPECT_NE(QApplication::focusWidget(), pView);
        pView->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(dlg.windowHandle(), Qt::Key_Space);
        ASSERT_TRUE(WaitFor([&] { return pView->IsFullScreen(); }));
        QTest::keyClick(pView->windowHandle(), Qt::Key_A);
        ASSERT_TRUE(WaitFor([&] { return !pView->IsFullScreen(); }));
    });
    EXPECT_EQ(nResult, QDialog::Accepted) << "ended by Close, never by a key in the picture";
}

TEST_F(ModalPlayerTest, AKeyReachingTheDialogInFullScreenReturnsAndNeverEndsIt) {
    const int nResult = RunPlayer([&](CPlayerDlg& dlg) {
        dlg.OnFullScreen();
        ASSERT_TRUE(dlg.GetView()->IsFullScreen());
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&dlg, &escape);
        EXPECT_TRUE(escape.isAccepted());
        EXPECT_TRUE(WaitFor([&] { return !dlg.GetView()->IsFullScreen(); }));
        EXPECT_TRUE(dlg.isVisible());
    });
    EXPECT_EQ(nResult, QDialog::Accepted);
}

TEST_F(ModalPlayerTest, EscapeInTheWindowedDialogEndsIt) {
    const int nResult = RunPlayer([&](CPlayerDlg& dlg) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
        dlg.GetDlgItem(IDC_PLAY)->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(dlg.windowHandle(), Qt::Key_Escape);
        EXPECT_FALSE(dlg.isVisible());
    });
    EXPECT_EQ(nResult, QDialog::Rejected);
}

TEST_F(ModalPlayerTest, CloseButtonEndsTheDialog) {
    const int nResult = RunPlayer([&](CPlayerDlg& dlg) {
        QWidget* pClose = dlg.GetDlgItem(IDC_CLOSE);
        QTest::mouseClick(pClose, Qt::LeftButton);
        EXPECT_FALSE(dlg.isVisible());
    });
    EXPECT_EQ(nResult, QDialog::Accepted);
}

TEST_F(ModalPlayerTest, StartsPlayingTheCommandLineTrack) {
    const std::string strTrack = MakeTrack("my song", 0.2, 5, 6, 6);
    m_pApp->m_strCmdLine = strTrack;
    RunPlayer([&](CPlayerDlg& dlg) {
        ASSERT_TRUE(WaitFor([&] { return Centre(dlg) == kRed; }));
        EXPECT_EQ(dlg.GetPath(), strTrack);
        EXPECT_EQ(Status(), 1);
    });
    EXPECT_EQ(Status(), 0) << "ending the dialog stops playback";
    EXPECT_TRUE(m_messages.empty());
}

struct MnemonicCase {
    int nId;
    QKeySequence key;  // empty: the caption has none
};

TEST_F(PlayerDlgTest, EveryButtonHasItsCaptionsMnemonic) {
    const MnemonicCase cases[] = {
        {IDC_OPEN, QKeySequence(Qt::ALT | Qt::Key_O)},
        {IDC_FULLSCREEN, QKeySequence(Qt::ALT | Qt::Key_F)},
        {IDC_CLOSE, {}},
        {IDC_PLAY, {}},
        {IDC_FASTFORWARD, {}},
        {IDC_STOP, {}},
    };
    for (const MnemonicCase& test : cases) {
        auto* pButton = qobject_cast<QPushButton*>(m_pDlg->GetDlgItem(test.nId));
        ASSERT_NE(pButton, nullptr) << test.nId;
        EXPECT_EQ(pButton->shortcut(), test.key) << test.nId;
        EXPECT_TRUE(pButton->text().isEmpty()) << "an image button: " << test.nId;
    }
}

TEST_F(ModalPlayerTest, AltMnemonicsWorkWhereverTheFocusIs) {
    RunPlayer([&](CPlayerDlg& dlg) {
        int nChosen = 0;
        dlg.SetFileChooser([&](const QString&) {
            ++nChosen;
            return QString();
        });
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
        CCdgView* pView = dlg.GetView();
        // Even with the video focused, Alt with a letter is the dialog's.
        pView->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(dlg.windowHandle(), Qt::Key_O, Qt::AltModifier);
        ASSERT_TRUE(WaitFor([&] { return nChosen == 1; }));
        EXPECT_FALSE(pView->IsFullScreen());
        QTest::keyClick(dlg.windowHandle(), Qt::Key_F, Qt::AltModifier);
        ASSERT_TRUE(WaitFor([&] { return pView->IsFullScreen(); }));
        // In the picture every key returns, Alt combinations too; none reaches a button.
        QTest::keyClick(pView->windowHandle(), Qt::Key_O, Qt::AltModifier);
        ASSERT_TRUE(WaitFor([&] { return !pView->IsFullScreen(); }));
        QTest::qWait(200);
        EXPECT_EQ(nChosen, 1);
        // A combination without a button does nothing in the windowed video.
        pView->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(dlg.windowHandle(), Qt::Key_X, Qt::AltModifier);
        QTest::qWait(200);
        EXPECT_FALSE(pView->IsFullScreen());
    });
}

TEST_F(PlayerDlgTest, AboutIsTheLastMenuItemAfterASeparator) {
    std::unique_ptr<QMenu> pMenu(m_pDlg->CreateContextMenu());
    const QList<QAction*> actions = pMenu->actions();
    ASSERT_GE(actions.size(), 2);
    EXPECT_TRUE(actions[actions.size() - 2]->isSeparator());
    EXPECT_EQ(actions.back()->text(), QStringLiteral("&About Quillet..."));
    EXPECT_EQ(actions.back()->text(), LoadResourceString(IDS_ABOUTBOX));
}

TEST_F(PlayerDlgTest, HelpKeyOpensTheHelpPage) {
    QUrl opened;
    CPlayerApp::SetUrlOpener([&](const QUrl& url) {
        opened = url;
        return true;
    });
    QKeyEvent help(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(m_pDlg.get(), &help);
    CPlayerApp::SetUrlOpener({});
    EXPECT_EQ(opened, QUrl::fromLocalFile(CPlayerApp::HelpPath()));
    EXPECT_TRUE(m_pDlg->isVisible());
}

TEST_F(PlayerDlgTest, AboutBoxNamesTheProgramAndLinksTheHelp) {
    CAboutDlg about(m_pDlg.get());
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Quillet"));
    ASSERT_NE(about.m_link, nullptr);
    EXPECT_EQ(QUrl(about.m_link->GetURL()), QUrl::fromLocalFile(CPlayerApp::HelpPath()));
    bool bNamed = false;
    for (const QLabel* pLabel : about.findChildren<QLabel*>()) {
        bNamed = bNamed || pLabel->text() == QStringLiteral("Quillet");
    }
    EXPECT_TRUE(bNamed);
}

TEST_F(PlayerDlgTest, UnopenableTrackShowsTheMessageAndKeepsTheLabel) {
    const std::string strGood = MakeTrack("good", 5, 6, 7, 8);
    m_pDlg->OpenTrack(strGood);
    const QString strLabel = static_cast<QLabel*>(m_pDlg->GetDlgItem(IDC_CURRENT_FILE))->text();
    EXPECT_FALSE(strLabel.isEmpty());
    m_pDlg->OpenTrack(m_pFolder->Path("missing.cdg"));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], std::make_pair(IDS_CANNOT_OPEN, kMessageError));
    EXPECT_EQ(LoadResourceString(IDS_CANNOT_OPEN), QStringLiteral("Cannot open the file."));
    EXPECT_EQ(static_cast<QLabel*>(m_pDlg->GetDlgItem(IDC_CURRENT_FILE))->text(), strLabel);
    EXPECT_FALSE(m_pApp->GetReader().IsOpen());
}

TEST_F(PlayerDlgTest, CancelledOpenLeavesNoSoundSoPlayDoesNothing) {
    const std::string strTrack = MakeTrack("song", 5, 6, 7, 8);
    m_pDlg->OpenTrack(strTrack);
    ASSERT_TRUE(WaitFor([&] { return Status() == 1; }));
    QString strOffered;
    m_pDlg->SetFileChooser([&](const QString& strInitial) {
        strOffered = strInitial;
        return QString();
    });
    m_pDlg->OnOpen();
    EXPECT_EQ(strOffered.toStdString(), strTrack) << "the last track is offered";
    EXPECT_EQ(Status(), 0);
    EXPECT_EQ(m_pApp->GetSoundFile(), nullptr);
    m_pDlg->OnPlayPause();
    EXPECT_EQ(Status(), 0);
}

TEST_F(PlayerDlgTest, OpenCommandPlaysTheChosenTrack) {
    const std::string strTrack = MakeTrack("chosen", 5, 6, 7, 8);
    m_pDlg->SetFileChooser([&](const QString&) { return QString::fromStdString(strTrack); });
    m_pDlg->OnCommand(IDC_OPEN);
    EXPECT_EQ(m_pDlg->GetPath(), strTrack);
    EXPECT_EQ(Status(), 1);
}

struct CommandLineCase {
    const char* pszName;
    const char* pszBefore;
    const char* pszAfter;
};

class CommandLineTest : public PlayerFixture,
                        public ::testing::WithParamInterface<CommandLineCase> {};

TEST_P(CommandLineTest, InitialOpenPlaysTheWholeLineAsOnePath) {
    const std::string strTrack = MakeTrack("my song", 5, 6, 7, 8);
    m_pApp->m_strCmdLine = GetParam().pszBefore + strTrack + GetParam().pszAfter;
    m_pDlg->OnInitialOpen();
    EXPECT_EQ(m_pDlg->GetPath(), strTrack);
    EXPECT_EQ(Status(), 1);
    EXPECT_TRUE(m_messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Forms, CommandLineTest,
                         ::testing::Values(CommandLineCase{"Bare", "", ""},
                                           CommandLineCase{"Quoted", "\"", "\""},
                                           CommandLineCase{"QuotedWithBlanks", "  \" ", " \"  "},
                                           CommandLineCase{"Typographic", "\u201c", "\u201d"}),
                         [](const auto& info) { return std::string(info.param.pszName); });

TEST_F(PlayerDlgTest, EmptyCommandLineOpensNothing) {
    m_pApp->m_strCmdLine.clear();
    m_pDlg->OnInitialOpen();
    EXPECT_TRUE(m_pDlg->GetPath().empty());
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(Status(), 0);
}

TEST_F(PlayerDlgTest, PlayWithoutTrackDoesNothing) {
    m_pDlg->OnPlayPause();
    EXPECT_EQ(Status(), 0);
    m_pDlg->OnStop();  // still carried out
    EXPECT_EQ(Status(), 0);
}

class PlayerDlgFpsTest : public PlayerFixture {
protected:
    PlayerDlgFpsTest() { m_nFps = 50; }
};

TEST_F(PlayerDlgFpsTest, FiftyFramesASecondGiveATwentyMillisecondTick) {
    EXPECT_EQ(m_pDlg->GetTickPeriod(), std::chrono::milliseconds(20));
    EXPECT_EQ(QSettings().value(QStringLiteral("Settings/FPS")).toInt(), 50);
}

}  // namespace
