// A player (application object and dialog) on test tracks, with a playback observer.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include <QSettings>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "player/app/PlayerApp.h"
#include "player/app/PlayerDlg.h"
#include "player/cdg/CdgScreen.h"
#include "player/cdg/view/CdgView.h"
#include "tests/player/app/TestTracks.h"

namespace testtracks {

// Records what the playback thread executes.
class CRecorder : public IPlaybackObserver {
public:
    void OnPacketExecuted(int32_t nIndex, double, std::chrono::steady_clock::time_point) override {
        std::lock_guard lock(m_mutex);
        m_indices.push_back(nIndex);
    }
    void OnStopPosted() override { ++m_nStopsPosted; }
    std::vector<int32_t> Indices() const {
        std::lock_guard lock(m_mutex);
        return m_indices;
    }
    size_t Count() const {
        std::lock_guard lock(m_mutex);
        return m_indices.size();
    }
    std::atomic<int> m_nStopsPosted{0};

private:
    mutable std::mutex m_mutex;
    std::vector<int32_t> m_indices;
};

// A ceiling only: a window manager starting on a loaded machine may take seconds to map.
inline constexpr int kShowTimeoutMs = 15000;

// The application object on test tracks, and the main dialog run as the program runs it.
class AppFixture : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        m_pFolder = std::make_unique<CTestFolder>();
        if (m_nFps > 0) {
            QSettings().setValue(QStringLiteral("Settings/FPS"), m_nFps);
        }
        m_pApp = std::make_unique<CPlayerApp>();
    }
    void TearDown() override { m_pApp.reset(); }
    // Runs the main dialog through CPlayerApp::Run, modal in its own loop as the program
    // runs it, and calls body inside that loop once the dialog is on screen. Ends the
    // dialog with Close unless the body ended it. Returns Run's result.
    int RunPlayer(const std::function<void(CPlayerDlg&)>& body) {
        bool bRan = false;
        QTimer::singleShot(0, [&] {
            CPlayerDlg* pDlg = m_pApp->m_pMainWnd;
            if (pDlg == nullptr) {
                ADD_FAILURE() << "the application runs no main dialog";
                return;
            }
            Watch(*pDlg);
            bRan = true;
            if (QTest::qWaitForWindowExposed(pDlg, kShowTimeoutMs)) {
                body(*pDlg);
            } else {
                ADD_FAILURE() << "the dialog never showed";
            }
            if (pDlg->isVisible()) {
                pDlg->OnCommand(IDC_CLOSE);
            }
        });
        const int nResult = m_pApp->Run();
        EXPECT_TRUE(bRan);
        EXPECT_EQ(m_pApp->m_pMainWnd, nullptr);
        return nResult;
    }
    void Watch(CPlayerDlg& dlg) {
        dlg.SetObserver(&m_recorder);
        dlg.SetMessageHook([this](int nId, int nType, const QString& strDetail) {
            m_messages.push_back({nId, nType});
            m_details.push_back(strDetail);
        });
    }
    // Writes a colour track (red at dRed, green at dGreen) with dAudio seconds of WAV audio.
    std::string MakeTrack(const char* pszTitle, double dRed, double dGreen, double dLength,
                          double dAudio) {
        const std::string strCdg = m_pFolder->Path((std::string(pszTitle) + ".cdg").c_str());
        EXPECT_TRUE(ColourTrack(dRed, dGreen, dLength).WriteCdg(strCdg));
        if (dAudio > 0) {
            EXPECT_TRUE(
                WriteWav(m_pFolder->Path((std::string(pszTitle) + ".wav").c_str()), dAudio));
        }
        return strCdg;
    }
    int Status() { return m_pApp->GetPlayer().GetStatus(); }
    bool WaitFor(const std::function<bool()>& condition, int nMs = 5000) {
        return QTest::qWaitFor(condition, nMs);
    }
    // The colour at the middle of the last frame a dialog's view showed.
    static QRgb Centre(const CPlayerDlg& dlg) {
        const QImage& frame = dlg.GetView()->GetFrame();
        return frame.isNull() ? qRgb(1, 2, 3) : frame.pixel(160, 120);
    }

    int m_nFps = 0;  // set before SetUp to store an FPS setting
    std::unique_ptr<CTestFolder> m_pFolder;
    std::unique_ptr<CPlayerApp> m_pApp;
    CRecorder m_recorder;
    std::vector<std::pair<int, int>> m_messages;
    std::vector<QString> m_details;  // the detail text of each message
};

// A dialog made by the test, shown application-modal as Run shows it, for tests that
// drive it from outside its loop.
class PlayerFixture : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        m_pDlg = std::make_unique<CPlayerDlg>();
        Watch(*m_pDlg);
        m_pDlg->setWindowModality(Qt::ApplicationModal);
        m_pDlg->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        m_pDlg.reset();
        AppFixture::TearDown();
    }
    QRgb Centre() const { return AppFixture::Centre(*m_pDlg); }

    std::unique_ptr<CPlayerDlg> m_pDlg;
};

inline constexpr QRgb kRed = qRgb(0xF0, 0, 0);
inline constexpr QRgb kGreen = qRgb(0, 0xF0, 0);
inline constexpr QRgb kBlack = qRgb(0, 0, 0);

}  // namespace testtracks
