// CCdgView: the video window; shows the CD+G screen's composed frame, windowed or full screen.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include <QImage>
#include <QWidget>

#include "tindlib/SingleLockEx.h"

class CCdgScreen;

// Command the video window sends its dialog for every key pressed in it.
inline constexpr int kCdgViewKeyCommand = 1001;

// Threads: Render runs on the tick's timer thread (or any thread); everything else, and
// every widget call, on the UI thread. Render composes under the view lock, then the
// screen lock, and hands the finished image to the UI thread with a queued call.
// Windowed, the view is a child of the dialog laid over its video area; full screen, it is
// a frameless window of the dialog's own covering the current screen, above the dialog and
// holding the keyboard, so that every key comes to it even while the dialog runs modal.
class CCdgView : public QWidget {
    Q_OBJECT

public:
    // The process-wide display object must exist already.
    CCdgView();
    ~CCdgView() override;
    CCdgView(const CCdgView&) = delete;
    CCdgView& operator=(const CCdgView&) = delete;

    // Makes the window a child of pDialog (which receives the key command) and shows it.
    bool Create(QWidget* pDialog);
    // Switches between windowed and full screen; nothing when already in that mode.
    void SetFullScreen(bool bFullScreen);
    bool IsFullScreen() const { return m_bFullScreen; }
    // Whether the full-screen window holds the keyboard (UI thread).
    bool HoldsKeyboard() const { return m_bKeyboardHeld; }
    // Composes the current frame and has the UI thread show it. Safe from any thread; a
    // call while another pass runs returns at once. False when nothing could be shown
    // (another pass running, or the display being reset): the caller tries again later.
    bool Render();
    // Sets up the window for the current mode and drops the screen's surfaces so they are
    // rebuilt for it. Returns whether the view can show frames.
    bool ResetDisplay();
    // Bits per pixel of the display object's surfaces (0 without a display object).
    static int ProbeBitDepth();

    // The last frame handed to the UI thread (UI thread).
    const QImage& GetFrame() const { return m_frame; }
    // Where the frame lands inside a widget of the given size: all of it windowed; the
    // largest 4:3 rectangle, centred, full screen.
    static QRect FrameRect(const QSize& widget, bool bFullScreen);
    // Called on the UI thread after each paint that showed a new frame (benchmarks, tests).
    void SetPresentedCallback(std::function<void(const QImage&)> callback);

    // Set by the dialog right after construction; not owned.
    CCdgScreen* m_pScreen = nullptr;

signals:
    // Posted (queued) to the dialog for each key press, with kCdgViewKeyCommand.
    void Command(int nId);

protected:
    bool event(QEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void closeEvent(QCloseEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    // UI thread: takes a frame composed by Render.
    void Present(QImage frame);
    // Full screen: raises and activates the window and takes the keyboard; the desktop
    // grants the keyboard only to a window on screen, so its grab is retried once exposed.
    void TakeKeyboard();
    void ReleaseKeyboard();
    // Whether a key pressed in the view is its own (the full-screen toggle).
    bool IsViewKey(const QKeyEvent& key) const;

    bool m_bFullScreen = false;
    bool m_bKeyboardHeld = false;
    QWidget* m_pDialog = nullptr;
    std::atomic<bool> m_bPrimary{false};  // the view can show frames
    int m_nDisplayWidth = 320;
    int m_nDisplayHeight = 240;
    int m_nDisplayBpp = 0;
    tindlib::CCriticalSection m_cs;
    tindlib::CSingleLockEx m_lock{&m_cs};
    std::atomic<bool> m_bRendering{false};
    // --- guarded by the view lock
    // The screen's picture-change count of the last frame sent: a frame composed at the
    // same count would be the same frame, so it is neither composed nor sent again.
    uint64_t m_nSentChanges = 0;
    bool m_bFrameSent = false;  // false: the next frame is sent whatever its count
    // --- UI thread only
    QImage m_frame;
    bool m_bNewFrame = false;
    std::function<void(const QImage&)> m_presented;
};
