// CCdgView: frames composed off the UI thread, the full-screen switch, keys and geometry.
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <thread>

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/display/Display.h"
#include "player/cdg/CdgScreen.h"
#include "player/cdg/view/CdgView.h"
#include "tests/support/TestApplication.h"
#include "tools/cdgauthor/CdgPacketBuilder.h"

namespace {

QApplication& App() {
    return TestApplication();
}

// Colours pass through 16-bit formats with a few levels lost.
::testing::AssertionResult Near(QRgb actual, QRgb expected) {
    const int nDiff = std::max({std::abs(qRed(actual) - qRed(expected)),
                                std::abs(qGreen(actual) - qGreen(expected)),
                                std::abs(qBlue(actual) - qBlue(expected))});
    if (nDiff <= 8) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << std::hex << "0x" << actual << " is not near 0x" << expected;
}

void Apply(CCdgScreen& screen, const cdgauthor::RawPacket& raw) {
    screen.Execute(CCdgPacket(raw.data()));
}

// A display, a screen painted red with a green border, and a view inside a parent.
class CdgViewTest : public ::testing::TestWithParam<display::PixelFormat> {
protected:
    void SetUp() override {
        App();
        m_pDisplay = std::make_unique<display::CDisplay>(GetParam());
        display::CDisplay::SetCurrent(m_pDisplay.get());
        m_pScreen = std::make_unique<CCdgScreen>();
        m_pParent = std::make_unique<QWidget>();
        m_pView = new CCdgView();
        m_pView->m_pScreen = m_pScreen.get();
        m_pParent->resize(400, 300);
        m_pParent->show();
        ASSERT_TRUE(m_pView->Create(m_pParent.get()));
        m_pView->setGeometry(10, 10, 320, 240);
        Apply(*m_pScreen, cdgauthor::LoadColors(false, {0x000, 0xF00, 0x0F0, 0, 0, 0, 0, 0}));
        Apply(*m_pScreen, cdgauthor::MemoryPreset(1));
        Apply(*m_pScreen, cdgauthor::BorderPreset(2));
    }
    void TearDown() override {
        delete m_pView;
        m_pScreen.reset();
        display::CDisplay::SetCurrent(nullptr);
    }
    // Renders on another thread, as the tick does, and waits for the frame to arrive.
    bool RenderElsewhere() {
        const qint64 nBefore = m_pView->GetFrame().cacheKey();
        std::thread tick([this] { m_pView->Render(); });
        tick.join();
        return QTest::qWaitFor([&] { return m_pView->GetFrame().cacheKey() != nBefore; }, 2000);
    }

    std::unique_ptr<display::CDisplay> m_pDisplay;
    std::unique_ptr<CCdgScreen> m_pScreen;
    std::unique_ptr<QWidget> m_pParent;
    CCdgView* m_pView = nullptr;
};

// Frames reach the UI thread when, and only when, something visible changed.
TEST_P(CdgViewTest, RenderFromAnotherThreadSendsEachVisibleChange) {
    ASSERT_TRUE(RenderElsewhere());
    ASSERT_EQ(m_pView->GetFrame().size(), QSize(320, 240));
    EXPECT_TRUE(Near(m_pView->GetFrame().pixel(0, 0), qRgb(0, 0xF0, 0))) << "border";
    EXPECT_TRUE(Near(m_pView->GetFrame().pixel(160, 120), qRgb(0xF0, 0, 0))) << "picture";
    EXPECT_FALSE(RenderElsewhere()) << "an unchanged frame is not sent again";
    // Packets that change nothing visible: the same colours, border and picture again.
    Apply(*m_pScreen, cdgauthor::LoadColors(false, {0x000, 0xF00, 0x0F0, 0, 0, 0, 0, 0}));
    Apply(*m_pScreen, cdgauthor::BorderPreset(2));
    Apply(*m_pScreen, cdgauthor::MemoryPreset(1));
    EXPECT_FALSE(RenderElsewhere());
    // Each of border, offsets, palette and picture alone is a new frame.
    Apply(*m_pScreen, cdgauthor::BorderPreset(1));
    ASSERT_TRUE(RenderElsewhere());
    EXPECT_TRUE(Near(m_pView->GetFrame().pixel(0, 0), qRgb(0xF0, 0, 0)));
    Apply(*m_pScreen, cdgauthor::Raw(9, kCdgScrollPreset, {0, 0x02, 0x00}));
    EXPECT_TRUE(RenderElsewhere());
    Apply(*m_pScreen, cdgauthor::LoadColors(false, {0x000, 0x00F, 0x0F0, 0, 0, 0, 0, 0}));
    ASSERT_TRUE(RenderElsewhere());
    EXPECT_TRUE(Near(m_pView->GetFrame().pixel(160, 120), qRgb(0, 0, 0xF0)));
    Apply(*m_pScreen, cdgauthor::MemoryPreset(2));
    ASSERT_TRUE(RenderElsewhere());
    EXPECT_TRUE(Near(m_pView->GetFrame().pixel(160, 120), qRgb(0, 0xF0, 0)));
}

// Each channel of the display pixel widened to 8 bits as value * 255 / largest value.
TEST_P(CdgViewTest, FrameChannelsAreWidenedExactly) {
    const display::PixelFormat format = GetParam();
    std::array<cdgauthor::Rgb12, 8> colors{};
    for (int i = 0; i < 8; ++i) {
        colors[i] = static_cast<cdgauthor::Rgb12>(0x137 * (i + 1) & 0xFFF);
        Apply(*m_pScreen, cdgauthor::TileBlock(i, i, 5, 5 + i, cdgauthor::TileLines{}));
    }
    Apply(*m_pScreen, cdgauthor::LoadColors(false, colors));
    ASSERT_TRUE(RenderElsewhere());
    const QImage& frame = m_pView->GetFrame();
    auto widen = [](uint32_t nPixel, uint32_t nMask) {
        int nShift = 0;
        while (((nMask >> nShift) & 1) == 0) {
            ++nShift;
        }
        const uint32_t nMax = nMask >> nShift;
        return static_cast<int>(((nPixel & nMask) >> nShift) * 255 / nMax);
    };
    tindlib::CScopedLock hold(m_pScreen->GetLock());
    const display::CDisplaySurface* pSurface = m_pScreen->ComposeFrame();
    ASSERT_NE(pSurface, nullptr);
    for (int i = 0; i < 8; ++i) {
        const int x = 16 + 6 * (5 + i) - 6, y = 24 + 60 - 12;
        const uint32_t nPixel = pSurface->GetPixel(x, y);
        EXPECT_EQ(frame.pixel(x, y),
                  qRgb(widen(nPixel, format.nRedMask), widen(nPixel, format.nGreenMask),
                       widen(nPixel, format.nBlueMask)))
            << "colour " << i;
    }
}

// Painted and reported windowed; full screen scaled by 3.75 in the middle, 200-pixel black bars
// left and right, and no smoothing: the border/picture edge has no blended pixel.
TEST_P(CdgViewTest, PaintShowsTheFrameAndKeepsItsAspectFullScreen) {
    int nPresented = 0;
    m_pView->SetPresentedCallback([&](const QImage&) { ++nPresented; });
    ASSERT_TRUE(RenderElsewhere());
    ASSERT_TRUE(QTest::qWaitFor([&] { return nPresented == 1; }, 2000));
    EXPECT_TRUE(Near(m_pView->grab().toImage().pixel(160, 120), qRgb(0xF0, 0, 0)));
    m_pView->SetFullScreen(true);
    m_pView->resize(1600, 900);
    const QImage shot = m_pView->grab().toImage();
    ASSERT_EQ(shot.size(), QSize(1600, 900));
    EXPECT_EQ(shot.pixel(100, 450), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(1500, 450), qRgb(0, 0, 0));
    EXPECT_TRUE(Near(shot.pixel(205, 450), qRgb(0, 0xF0, 0))) << "border";
    EXPECT_TRUE(Near(shot.pixel(800, 450), qRgb(0xF0, 0, 0))) << "picture";
    for (int x = 250; x < 280; ++x) {
        const QRgb pixel = shot.pixel(x, 450);
        EXPECT_TRUE(Near(pixel, qRgb(0, 0xF0, 0)) || Near(pixel, qRgb(0xF0, 0, 0))) << x;
    }
}

// Switching twice changes nothing the second time; a windowed resize drops the screen's
// surfaces (their size follows the window), a full-screen one does not.
TEST_P(CdgViewTest, FullScreenSwitchAndResizes) {
    ASSERT_TRUE(RenderElsewhere());
    m_pView->resize(330, 250);
    EXPECT_FALSE(m_pScreen->HasSurfaces());
    m_pView->SetFullScreen(true);
    EXPECT_TRUE(m_pView->IsFullScreen());
    EXPECT_TRUE(m_pView->isWindow());
    EXPECT_EQ(m_pView->geometry(), m_pParent->screen()->geometry());
    m_pView->SetFullScreen(true);
    EXPECT_TRUE(m_pView->isWindow());
    m_pView->Render();
    ASSERT_TRUE(m_pScreen->HasSurfaces());
    m_pView->resize(800, 600);
    EXPECT_TRUE(m_pScreen->HasSurfaces());
    m_pView->SetFullScreen(false);
    EXPECT_FALSE(m_pView->IsFullScreen());
    EXPECT_EQ(m_pView->parentWidget(), m_pParent.get());
    EXPECT_TRUE(m_pView->isVisible());
    ASSERT_TRUE(RenderElsewhere()) << "a frame is sent again after the switch";
}

struct KeyCase {
    const char* pszName;
    bool bFullScreen;
    int nKey;
    Qt::KeyboardModifiers modifiers;
    bool bCommand;  // the view's own key: it toggles full screen
    bool bRepeat = false;
};

class CdgViewKeyTest : public CdgViewTest {};

TEST_P(CdgViewKeyTest, WindowedAltCombinationsAreTheDialogsFullScreenTakesAll) {
    const KeyCase cases[] = {
        {"letter", false, Qt::Key_X, Qt::NoModifier, true},
        {"shifted letter", false, Qt::Key_X, Qt::ShiftModifier, true},
        {"control letter", false, Qt::Key_X, Qt::ControlModifier, true},
        {"Escape", false, Qt::Key_Escape, Qt::NoModifier, true},
        {"Tab", false, Qt::Key_Tab, Qt::NoModifier, true},
        {"F1", false, Qt::Key_F1, Qt::NoModifier, true},
        {"Space", false, Qt::Key_Space, Qt::NoModifier, true},
        {"auto-repeated letter", false, Qt::Key_A, Qt::NoModifier, true, true},
        {"Alt letter", false, Qt::Key_O, Qt::AltModifier, false},
        {"Alt alone", false, Qt::Key_Alt, Qt::AltModifier, false},
        {"Shift alone", false, Qt::Key_Shift, Qt::ShiftModifier, false},
        {"full-screen letter", true, Qt::Key_X, Qt::NoModifier, true},
        {"full-screen Escape", true, Qt::Key_Escape, Qt::NoModifier, true},
        {"full-screen Alt letter", true, Qt::Key_O, Qt::AltModifier, true},
        {"full-screen Alt F4", true, Qt::Key_F4, Qt::AltModifier, true},
        {"full-screen Control alone", true, Qt::Key_Control, Qt::ControlModifier, false},
    };
    for (const KeyCase& test : cases) {
        m_pView->SetFullScreen(test.bFullScreen);
        QSignalSpy spy(m_pView, &CCdgView::Command);
        QKeyEvent override(QEvent::ShortcutOverride, test.nKey, test.modifiers);
        override.ignore();
        QApplication::sendEvent(m_pView, &override);
        EXPECT_EQ(override.isAccepted(), test.bCommand) << "no shortcut takes it: " << test.pszName;
        QKeyEvent press(QEvent::KeyPress, test.nKey, test.modifiers, QString(), test.bRepeat);
        QApplication::sendEvent(m_pView, &press);
        ASSERT_EQ(spy.count(), test.bCommand ? 1 : 0) << test.pszName;
        if (test.bCommand) {
            EXPECT_EQ(spy.at(0).at(0).toInt(), 1001) << "full screen, every time: " << test.pszName;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Xrgb, CdgViewKeyTest, ::testing::Values(display::PixelFormat::Xrgb8888()));

INSTANTIATE_TEST_SUITE_P(Formats, CdgViewTest,
                         ::testing::Values(display::PixelFormat::Xrgb8888(),
                                           display::PixelFormat::Rgb565(),
                                           display::PixelFormat::Rgb555(),
                                           display::PixelFormat::Rgb888()),
                         [](const auto& info) {
                             const display::PixelFormat& format = info.param;
                             return "Bits" + std::to_string(format.nBitsPerPixel) +
                                    (format == display::PixelFormat::Rgb555() ? "Rgb555" : "");
                         });

// The video window inside a dialog that runs application-modal, as the player's does.
TEST(CdgViewModal, FullScreenBelongsToTheModalDialogAndHoldsItsKeys) {
    App();
    display::CDisplay display;
    display::CDisplay::SetCurrent(&display);
    CCdgScreen screen;
    QDialog dialog;
    auto* pView = new CCdgView();
    pView->m_pScreen = &screen;
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    ASSERT_TRUE(pView->Create(&dialog));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy spy(pView, &CCdgView::Command);

    pView->SetFullScreen(true);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pView));
    EXPECT_TRUE(pView->isWindow());
    EXPECT_EQ(pView->parentWidget(), &dialog);
    ASSERT_NE(pView->windowHandle(), nullptr);
    EXPECT_EQ(pView->windowHandle()->transientParent(), dialog.windowHandle())
        << "kept above the dialog by a window manager";
    EXPECT_EQ(QWidget::keyboardGrabber(), pView);
    // Through the window system, where the dialog's modality drops what is not its own.
    QTest::keyClick(pView->windowHandle(), Qt::Key_Escape);
    EXPECT_EQ(spy.count(), 1);
    // Sent to the dialog's window, the key still lands in the picture.
    QTest::keyClick(dialog.windowHandle(), Qt::Key_Space);
    EXPECT_EQ(spy.count(), 2);

    pView->SetFullScreen(false);
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
    EXPECT_FALSE(pView->isWindow());
    EXPECT_FALSE(pView->HoldsKeyboard());
    delete pView;
    display::CDisplay::SetCurrent(nullptr);
}

TEST(CdgViewFrameRect, FullScreenKeepsFourToThreeCentredWindowedFillsAll) {
    EXPECT_EQ(CCdgView::FrameRect({1920, 1080}, true), QRect(240, 0, 1440, 1080));
    EXPECT_EQ(CCdgView::FrameRect({1280, 1024}, true), QRect(0, 32, 1280, 960));
    EXPECT_EQ(CCdgView::FrameRect({640, 480}, true), QRect(0, 0, 640, 480));
    EXPECT_EQ(CCdgView::FrameRect({1920, 1080}, false), QRect(0, 0, 1920, 1080));
}

TEST(CdgViewNoScreen, RenderWithoutScreenOrDisplayDoesNothing) {
    App();
    display::CDisplay::SetCurrent(nullptr);
    QWidget parent;
    CCdgView view;
    EXPECT_FALSE(view.Create(&parent)) << "no display object: nothing can be shown";
    view.Render();
    QApplication::processEvents();
    EXPECT_TRUE(view.GetFrame().isNull());
    display::CDisplay display;
    display::CDisplay::SetCurrent(&display);
    EXPECT_TRUE(view.ResetDisplay());
    view.Render();  // no screen attached
    QApplication::processEvents();
    EXPECT_TRUE(view.GetFrame().isNull());
    display::CDisplay::SetCurrent(nullptr);
}

}  // namespace
