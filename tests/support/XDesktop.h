// A private X desktop for GUI tests that must meet a real window system: an Xvfb server on
// a free display, openbox as its window manager when asked, real input through the XTEST
// extension (xdotool), and the window system's own view of focus and stacking.
#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

class CXDesktop {
public:
    CXDesktop() = default;
    ~CXDesktop();
    CXDesktop(const CXDesktop&) = delete;
    CXDesktop& operator=(const CXDesktop&) = delete;

    // The programs this needs that are not installed, blank-separated; empty when all are.
    static std::string MissingTools();

    // Starts Xvfb on a free display and points this process at it (DISPLAY, Qt's xcb
    // platform, and no session bus). Run it before the QApplication is made. False with the reason
    // in *pError when the server does not come up.
    bool Start(int nWidth, int nHeight, std::string* pError);
    bool IsRunning() const { return m_xvfb > 0; }
    const std::string& Display() const { return m_strDisplay; }

    // Starts openbox and waits until it manages the screen; stops it again.
    bool StartWindowManager(std::string* pError);
    void StopWindowManager();
    bool HasWindowManager() const { return m_wm > 0; }

    // Real key presses and clicks, as a user's: key names as xdotool takes them ("x",
    // "Escape", "alt+f"); the click at screen coordinates.
    bool Key(const std::string& strKeys);
    bool Click(int x, int y);
    // The window that has the keyboard: the window manager's active window, or without
    // one the X input focus. 0 when none is known.
    unsigned long ActiveWindow();
    // The mapped top-level windows, bottom to top: the window manager's stacking list of
    // its clients, or without one the root's children.
    std::vector<unsigned long> Stacking();

    // Stops the window manager and the server.
    void Stop();

private:
    pid_t m_xvfb = -1;
    pid_t m_wm = -1;
    std::string m_strDisplay;
};

// The one desktop of a test program, started on first use. It is stopped after the last
// test, once the QApplication is gone, so it must be used before the QApplication is made.
// Null when a needed program is missing or the server did not start; *pReason says why.
CXDesktop* TestDesktop(std::string* pReason);
