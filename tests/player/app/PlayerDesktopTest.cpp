// The player on a real X desktop, with openbox and without a window manager: the dialog runs
// as the program runs it, real key presses and clicks (XTEST) drive it, and the window
// system itself says which window has the keyboard, which lies on top and what is on screen.
#include <algorithm>

#include <QGuiApplication>
#include <QScreen>

#include "tests/player/app/DlgFixture.h"
#include "tests/support/XDesktop.h"

namespace {

using namespace testtracks;

class DesktopTest : public AppFixture, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        std::string strReason;
        // Before the QApplication: it connects to this desktop.
        m_pDesktop = TestDesktop(&strReason);
        if (m_pDesktop == nullptr) {
            if (!CXDesktop::MissingTools().empty()) {
                GTEST_SKIP() << strReason;
            }
            FAIL() << "no X desktop: " << strReason;
        }
        std::string strError;
        if (GetParam()) {
            ASSERT_TRUE(m_pDesktop->StartWindowManager(&strError)) << strError;
        } else {
            m_pDesktop->StopWindowManager();
        }
        AppFixture::SetUp();
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    }

    // A longer ceiling than elsewhere: each step here waits on other processes (the X
    // server, the window manager), which a loaded machine may keep waiting.
    bool WaitFor(const std::function<bool()>& condition) {
        return AppFixture::WaitFor(condition, kShowTimeoutMs);
    }
    static QPoint Middle(const QWidget* pWidget) {
        return pWidget->mapToGlobal(pWidget->rect().center());
    }
    bool Click(const QWidget* pWidget) {
        const QPoint at = Middle(pWidget);
        return m_pDesktop->Click(at.x(), at.y());
    }
    // Whether the window system gives the keyboard to this top-level window.
    bool IsActive(QWidget* pWindow) {
        return m_pDesktop->ActiveWindow() == static_cast<unsigned long>(pWindow->winId());
    }
    // Whether the window system stacks pTop above pBelow.
    bool IsAbove(QWidget* pTop, QWidget* pBelow) {
        const std::vector<unsigned long> order = m_pDesktop->Stacking();
        const auto top = std::find(order.begin(), order.end(), pTop->winId());
        const auto below = std::find(order.begin(), order.end(), pBelow->winId());
        return top != order.end() && below != order.end() && top > below;
    }
    // The colour the X server shows at a point of the screen.
    static QRgb ScreenPixel(const QPoint& at) {
        return QGuiApplication::primaryScreen()
            ->grabWindow(0, at.x(), at.y(), 1, 1)
            .toImage()
            .pixel(0, 0);
    }
    // Whether the picture's colour shows over the whole place of the dialog: its middle and
    // just inside its corners.
    static bool PictureCoversTheDialog(const CPlayerDlg& dlg, QRgb colour) {
        const QRect area = dlg.frameGeometry().adjusted(2, 2, -2, -2);
        for (const QPoint& at : {area.center(), area.topLeft(), area.topRight(), area.bottomLeft(),
                                 area.bottomRight()}) {
            if (ScreenPixel(at) != colour) {
                return false;
            }
        }
        return true;
    }
    // Enters full screen with a key in the video, and checks what the desktop shows.
    void EnterWithKey(CPlayerDlg& dlg, const char* pszKey) {
        CCdgView* pView = dlg.GetView();
        ASSERT_TRUE(Click(pView)) << "a click into the video gives it the focus";
        ASSERT_TRUE(m_pDesktop->Key(pszKey));
        ASSERT_TRUE(WaitFor([&] { return pView->IsFullScreen(); })) << pszKey;
        ASSERT_NO_FATAL_FAILURE(ExpectPictureOnTop(dlg));
    }
    void ExpectPictureOnTop(CPlayerDlg& dlg) {
        CCdgView* pView = dlg.GetView();
        EXPECT_TRUE(WaitFor([&] { return IsActive(pView); })) << "the picture is active";
        EXPECT_TRUE(WaitFor([&] { return IsAbove(pView, &dlg); })) << "stacked above the dialog";
        EXPECT_TRUE(WaitFor([&] { return PictureCoversTheDialog(dlg, kRed); }))
            << "the screen shows the picture where the dialog lies";
        EXPECT_TRUE(WaitFor([&] { return pView->HoldsKeyboard(); })) << "the keyboard is held";
    }
    // Leaves full screen with a key pressed in the picture.
    void LeaveWithKey(CPlayerDlg& dlg, const char* pszKey) {
        CCdgView* pView = dlg.GetView();
        ASSERT_TRUE(m_pDesktop->Key(pszKey));
        ASSERT_TRUE(WaitFor([&] { return !pView->IsFullScreen(); })) << pszKey;
        EXPECT_TRUE(WaitFor([&] { return IsActive(&dlg); })) << "the dialog has the keyboard";
        EXPECT_TRUE(WaitFor([&] { return ScreenPixel(Middle(pView)) == kRed; }))
            << "the picture is back in the dialog";
        EXPECT_TRUE(dlg.isVisible());
    }

    CXDesktop* m_pDesktop = nullptr;
};

TEST_P(DesktopTest, KeysEnterAndLeaveFullScreenAndThePictureStaysOnTop) {
    m_pApp->m_strCmdLine = MakeTrack("song", 0.2, 50, 60, 60);
    const int nResult = RunPlayer([&](CPlayerDlg& dlg) {
        ASSERT_TRUE(WaitFor([&] { return Centre(dlg) == kRed; }));
        ASSERT_TRUE(WaitFor([&] { return IsActive(&dlg); }));

        ASSERT_NO_FATAL_FAILURE(EnterWithKey(dlg, "x"));
        // A while later the dialog is still not over the picture.
        QTest::qWait(500);
        EXPECT_TRUE(IsAbove(dlg.GetView(), &dlg));
        EXPECT_TRUE(PictureCoversTheDialog(dlg, kRed));
        ASSERT_NO_FATAL_FAILURE(LeaveWithKey(dlg, "y"));

        ASSERT_NO_FATAL_FAILURE(EnterWithKey(dlg, "space"));
        ASSERT_NO_FATAL_FAILURE(LeaveWithKey(dlg, "Escape"));
        // Escape returned to the window; the program goes on playing.
        const size_t nPackets = m_recorder.Count();
        QTest::qWait(500);
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(Status(), 1);
        EXPECT_GT(m_recorder.Count(), nPackets) << "still playing";

        // The Close button ends the program.
        ASSERT_TRUE(Click(dlg.GetDlgItem(IDC_CLOSE)));
        EXPECT_TRUE(WaitFor([&] { return !dlg.isVisible(); }));
    });
    EXPECT_EQ(nResult, QDialog::Accepted) << "ended by Close, not by Escape";
}

TEST_P(DesktopTest, AltMnemonicsOfTheImageButtons) {
    m_pApp->m_strCmdLine = MakeTrack("song", 0.2, 50, 60, 60);
    RunPlayer([&](CPlayerDlg& dlg) {
        int nChosen = 0;
        dlg.SetFileChooser([&](const QString&) {
            ++nChosen;
            return QString();
        });
        ASSERT_TRUE(WaitFor([&] { return Centre(dlg) == kRed; }));
        ASSERT_TRUE(WaitFor([&] { return IsActive(&dlg); }));
        CCdgView* pView = dlg.GetView();

        ASSERT_TRUE(m_pDesktop->Key("alt+f"));
        ASSERT_TRUE(WaitFor([&] { return pView->IsFullScreen(); }));
        ASSERT_NO_FATAL_FAILURE(ExpectPictureOnTop(dlg));
        // In the picture Alt+O is a key like any other: back to the window, nothing opened.
        ASSERT_NO_FATAL_FAILURE(LeaveWithKey(dlg, "alt+o"));
        QTest::qWait(300);
        EXPECT_EQ(nChosen, 0);

        // In the window it is Open, even with the video focused.
        ASSERT_TRUE(Click(pView));
        ASSERT_TRUE(m_pDesktop->Key("alt+o"));
        EXPECT_TRUE(WaitFor([&] { return nChosen == 1; }));
        EXPECT_FALSE(pView->IsFullScreen());
    });
}

TEST_P(DesktopTest, EscapeInTheWindowedDialogEndsTheProgram) {
    const int nResult = RunPlayer([&](CPlayerDlg& dlg) {
        ASSERT_TRUE(WaitFor([&] { return IsActive(&dlg); }));
        ASSERT_TRUE(Click(dlg.GetDlgItem(IDC_STOP)));
        ASSERT_TRUE(m_pDesktop->Key("Escape"));
        EXPECT_TRUE(WaitFor([&] { return !dlg.isVisible(); }));
    });
    EXPECT_EQ(nResult, QDialog::Rejected);
}

INSTANTIATE_TEST_SUITE_P(WindowManager, DesktopTest, ::testing::Values(true, false),
                         [](const auto& info) {
                             return std::string(info.param ? "Openbox" : "None");
                         });

}  // namespace
