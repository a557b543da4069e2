// CCdgView: composing on the tick's thread, painting on the UI thread, and the mode switch.
#include "player/cdg/view/CdgView.h"

#include <bit>
#include <cstring>
#include <vector>

#include <QCloseEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include "platform/display/Display.h"
#include "player/cdg/CdgScreen.h"

namespace {

// One channel of a display pixel, widened to 8 bits: its field is looked up in a table
// made once per frame rather than measured for every pixel.
class CChannel8 {
public:
    explicit CChannel8(uint32_t nMask) {
        if (nMask == 0) {
            m_levels.assign(1, 0);  // no such channel: always 0
            return;
        }
        m_nShift = std::countr_zero(nMask);
        const int nWidth = std::countr_one(nMask >> m_nShift);
        m_nMax = (nWidth >= 32 ? 0xFFFFFFFFu : (1u << nWidth) - 1);
        if (nWidth <= kMaxTableBits) {
            m_levels.resize(size_t{m_nMax} + 1);
            for (uint32_t v = 0; v <= m_nMax; ++v) {
                m_levels[v] = static_cast<uint8_t>(Widen(v));
            }
        }
    }
    uint32_t operator()(uint32_t nPixel) const {
        const uint32_t nValue = (nPixel >> m_nShift) & m_nMax;
        return m_levels.empty() ? Widen(nValue) : m_levels[nValue];
    }

private:
    static constexpr int kMaxTableBits = 12;
    uint32_t Widen(uint32_t nValue) const {
        return static_cast<uint32_t>(static_cast<uint64_t>(nValue) * 255 / m_nMax);
    }
    int m_nShift = 0;
    uint32_t m_nMax = 0;  // the field's largest value, also its mask once shifted down
    std::vector<uint8_t> m_levels;
};

// Copies a display surface into an image the UI thread can paint.
QImage ToImage(const display::CDisplaySurface& surface) {
    QImage image(surface.GetWidth(), surface.GetHeight(), QImage::Format_RGB32);
    const display::PixelFormat& format = surface.GetFormat();
    if (format == display::PixelFormat::Xrgb8888()) {
        const size_t nRowBytes = static_cast<size_t>(surface.GetWidth()) * 4;
        for (int y = 0; y < surface.GetHeight(); ++y) {
            std::memcpy(image.scanLine(y),
                        surface.Bits() + static_cast<size_t>(y) * surface.GetPitch(), nRowBytes);
        }
        return image;
    }
    const CChannel8 red(format.nRedMask);
    const CChannel8 green(format.nGreenMask);
    const CChannel8 blue(format.nBlueMask);
    const int nBytes = format.BytesPerPixel();
    for (int y = 0; y < surface.GetHeight(); ++y) {
        auto* pRow = reinterpret_cast<QRgb*>(image.scanLine(y));
        const uint8_t* p = surface.Bits() + static_cast<size_t>(y) * surface.GetPitch();
        for (int x = 0; x < surface.GetWidth(); ++x, p += nBytes) {
            uint32_t nPixel = 0;
            for (int i = 0; i < nBytes; ++i) {
                nPixel |= static_cast<uint32_t>(p[i]) << (8 * i);
            }
            pRow[x] = qRgb(static_cast<int>(red(nPixel)), static_cast<int>(green(nPixel)),
                           static_cast<int>(blue(nPixel)));
        }
    }
    return image;
}

}  // namespace

CCdgView::CCdgView() {
    m_nDisplayBpp = ProbeBitDepth();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

CCdgView::~CCdgView() {
    ReleaseKeyboard();
    m_bPrimary = false;
    tindlib::CScopedLock hold(m_lock);
}

bool CCdgView::Create(QWidget* pDialog) {
    m_pDialog = pDialog;
    setParent(pDialog, Qt::Widget);
    setGeometry(0, 0, 10, 10);
    show();
    return ResetDisplay();
}

int CCdgView::ProbeBitDepth() {
    display::CDisplay* pDisplay = display::CDisplay::Current();
    if (pDisplay == nullptr) {
        return 0;
    }
    auto pSurface = pDisplay->CreateSurface(100, 100);
    if (!pSurface) {
        return 0;
    }
    display::SurfaceDesc desc;
    if (!pSurface->Lock(desc)) {
        return 0;
    }
    const int nBits = desc.format.nBitsPerPixel;
    pSurface->Unlock();
    return nBits;
}

bool CCdgView::ResetDisplay() {
    tindlib::CScopedLock hold(m_lock);
    m_bPrimary = false;
    if (m_pScreen != nullptr) {
        m_pScreen->ReleaseSurfaces();
    }
    // The next frame is sent even when nothing changed: the new mode needs it.
    m_bFrameSent = false;
    m_bPrimary = display::CDisplay::Current() != nullptr;
    return m_bPrimary;
}

void CCdgView::SetFullScreen(bool bFullScreen) {
    if (bFullScreen == m_bFullScreen) {
        return;
    }
    m_bFullScreen = bFullScreen;
    {
        tindlib::CScopedLock hold(m_lock);
        if (bFullScreen) {
            QScreen* pScreen = m_pDialog != nullptr ? m_pDialog->screen() : screen();
            // A window of the dialog's own, not a parentless one: the dialog's modality lets
            // its input through, and a window manager keeps it above the dialog.
            setParent(m_pDialog, Qt::Window | Qt::FramelessWindowHint);
            if (pScreen != nullptr) {
                setGeometry(pScreen->geometry());
            }
            showFullScreen();
            TakeKeyboard();
        } else {
            ReleaseKeyboard();
            setParent(m_pDialog, Qt::Widget);
            show();
        }
    }
    ResetDisplay();
    update();
}

void CCdgView::TakeKeyboard() {
    raise();
    activateWindow();
    setFocus(Qt::ActiveWindowFocusReason);
    // Within the program every key comes here at once; the desktop grants the keyboard
    // only to a window on screen, so that grab is tried again when the window is exposed.
    grabKeyboard();
    if (QWindow* pWindow = windowHandle()) {
        m_bKeyboardHeld = pWindow->isExposed() && pWindow->setKeyboardGrabEnabled(true);
        if (!m_bKeyboardHeld) {
            pWindow->installEventFilter(this);
        }
    }
}

void CCdgView::ReleaseKeyboard() {
    if (QWidget::keyboardGrabber() == this) {
        releaseKeyboard();
    }
    if (QWindow* pWindow = windowHandle()) {
        pWindow->removeEventFilter(this);
    }
    m_bKeyboardHeld = false;
}

bool CCdgView::eventFilter(QObject* pWatched, QEvent* pEvent) {
    QWindow* pWindow = windowHandle();
    if (pWatched == pWindow && pEvent->type() == QEvent::Expose && m_bFullScreen &&
        !m_bKeyboardHeld) {
        // After the window has taken the event, so that it counts as on screen.
        QMetaObject::invokeMethod(
            this,
            [this] {
                QWindow* pShown = windowHandle();
                if (m_bFullScreen && !m_bKeyboardHeld && pShown != nullptr && pShown->isExposed()) {
                    m_bKeyboardHeld = pShown->setKeyboardGrabEnabled(true);
                    if (m_bKeyboardHeld) {
                        pShown->removeEventFilter(this);
                        // A window manager may have stacked it under its parent meanwhile.
                        raise();
                        activateWindow();
                    }
                }
            },
            Qt::QueuedConnection);
    }
    return QWidget::eventFilter(pWatched, pEvent);
}

bool CCdgView::Render() {
    if (!m_bPrimary || m_bRendering.exchange(true)) {
        return false;
    }
    bool bShown = false;
    {
        tindlib::CScopedLock hold(m_lock);
        // The display may have been reset while the lock was awaited.
        bShown = m_bPrimary;
        if (m_pScreen != nullptr && bShown) {
            QImage image;
            uint64_t nChanges = 0;
            {
                tindlib::CScopedLock screenHold(m_pScreen->GetLock());
                nChanges = m_pScreen->GetPictureChanges();
                if (!m_bFrameSent || nChanges != m_nSentChanges) {
                    m_pScreen->EnsureSurfaces();
                    if (const display::CDisplaySurface* pFrame = m_pScreen->ComposeFrame()) {
                        image = ToImage(*pFrame);
                    }
                }
            }
            if (!image.isNull()) {
                m_nSentChanges = nChanges;
                m_bFrameSent = true;
                QMetaObject::invokeMethod(
                    this, [this, image]() { Present(image); }, Qt::QueuedConnection);
            }
        }
    }
    m_bRendering = false;
    return bShown;
}

void CCdgView::Present(QImage frame) {
    m_frame = std::move(frame);
    m_bNewFrame = true;
    // Painted now rather than on a later update request: the frame is already late by
    // up to one tick.
    repaint();
}

QRect CCdgView::FrameRect(const QSize& widget, bool bFullScreen) {
    if (!bFullScreen) {
        return QRect(QPoint(0, 0), widget);
    }
    // The largest 4:3 rectangle that fits, centred: black bars on the long sides.
    int nWidth = widget.width();
    int nHeight = nWidth * 3 / 4;
    if (nHeight > widget.height()) {
        nHeight = widget.height();
        nWidth = nHeight * 4 / 3;
    }
    return QRect((widget.width() - nWidth) / 2, (widget.height() - nHeight) / 2, nWidth, nHeight);
}

void CCdgView::SetPresentedCallback(std::function<void(const QImage&)> callback) {
    m_presented = std::move(callback);
}

void CCdgView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // No smoothing: scaled pixels stay crisp (nearest neighbour).
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QRect target = FrameRect(size(), m_bFullScreen);
    if (m_frame.isNull() || target != rect()) {
        painter.fillRect(rect(), Qt::black);
    }
    if (!m_frame.isNull()) {
        painter.drawImage(target, m_frame);
    }
    if (m_bNewFrame) {
        m_bNewFrame = false;
        if (m_presented) {
            m_presented(m_frame);
        }
    }
}

bool CCdgView::IsViewKey(const QKeyEvent& key) const {
    switch (key.key()) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Meta:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
            // A modifier alone is half of a combination: the key pressed with it counts.
            return false;
        default:
            break;
    }
    // Windowed, Alt combinations are the dialog's button mnemonics; full screen, the
    // dialog is hidden and every key returns to it.
    return m_bFullScreen || !key.modifiers().testFlag(Qt::AltModifier);
}

bool CCdgView::event(QEvent* pEvent) {
    // The view's keys belong to it: no shortcut, focus move or dialog key takes them.
    if (pEvent->type() == QEvent::ShortcutOverride && IsViewKey(*static_cast<QKeyEvent*>(pEvent))) {
        pEvent->accept();
        return true;
    }
    if (pEvent->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent*>(pEvent));
        return true;
    }
    return QWidget::event(pEvent);
}

void CCdgView::keyPressEvent(QKeyEvent* pEvent) {
    if (!IsViewKey(*pEvent)) {
        pEvent->ignore();
        return;
    }
    emit Command(kCdgViewKeyCommand);
    pEvent->accept();
}

void CCdgView::resizeEvent(QResizeEvent* pEvent) {
    QWidget::resizeEvent(pEvent);
    if (!m_bFullScreen) {
        ResetDisplay();
    }
}

void CCdgView::closeEvent(QCloseEvent* pEvent) {
    // Closing the full-screen window (a window-manager key) returns it to the dialog;
    // the view itself lives as long as the dialog.
    pEvent->ignore();
    if (m_bFullScreen) {
        emit Command(kCdgViewKeyCommand);
    }
}
