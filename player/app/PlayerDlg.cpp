// CPlayerDlg: construction and teardown, the controls, sizing, messages, menus.
#include "player/app/PlayerDlg.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "platform/display/Display.h"
#include "player/app/AboutDlg.h"
#include "player/app/ButtonIcons.h"
#include "player/app/ExportVideoDlg.h"
#include "player/app/KaraokeControls.h"
#include "player/app/PlayerApp.h"
#include "player/cdg/CdgScreen.h"
#include "player/cdg/view/CdgView.h"
#include "player/util/DisplayText.h"
#include "player/util/DlgItem.h"
#include "player/util/ResourceStrings.h"
#include "tindlib/HyperLink2.h"

namespace {

// The dialog template: 204 x 130 dialog units.
constexpr int kTemplateWidth = 204;
constexpr int kTemplateHeight = 130;
// The video area's size at start, in pixels: one frame, unscaled.
constexpr int kVideoWidth = 320;
constexpr int kVideoHeight = 240;

struct ButtonSpec {
    int nId;
    const char* pszText;
    QRect rect;  // dialog units: left, top, width, height
    EButtonPicture picture;
    int nTipId;
};

// In tab order, as the template lists them.
const ButtonSpec kButtons[] = {
    {IDC_OPEN, "&Open", {148, 22, 16, 16}, EButtonPicture::Open, IDS_TIP_OPEN},
    {IDC_FULLSCREEN,
     "&Full screen",
     {164, 22, 16, 16},
     EButtonPicture::FullScreen,
     IDS_TIP_FULLSCREEN},
    {IDC_CLOSE, "Close", {181, 22, 16, 16}, EButtonPicture::Close, IDS_TIP_EXIT},
    {IDC_PLAY, ">", {148, 94, 16, 16}, EButtonPicture::Play, IDS_TIP_PLAYPAUSE},
    {IDC_FASTFORWARD, ">>", {164, 94, 16, 16}, EButtonPicture::FastForward, IDS_TIP_FASTFORWARD},
    {IDC_STOP, "[]", {181, 94, 16, 16}, EButtonPicture::Stop, IDS_TIP_STOP},
};

struct LabelSpec {
    int nId;
    const char* pszText;
    QRect rect;
    Qt::Alignment align;
};

const LabelSpec kLabels[] = {
    {IDC_NOTICE, "\u00a9 2026 Brindle", {7, 115, 73, 8}, Qt::AlignLeft},
    {IDC_TIME_CAPTION, "Time:", {147, 82, 18, 8}, Qt::AlignLeft},
    {IDC_TIME, "0:00", {172, 82, 25, 8}, Qt::AlignRight},
    {IDC_CURRENT_FILE_CAPTION, "Current file:", {7, 7, 36, 8}, Qt::AlignLeft},
    {IDC_CURRENT_FILE, "", {54, 7, 143, 8}, Qt::AlignLeft},
};

}  // namespace

CPlayerDlg::CPlayerDlg(QWidget* pParent) : QDialog(pParent), m_app(*CPlayerApp::Get()) {
    setWindowTitle(QStringLiteral("Quillet"));
    // The installed icon when there is one, else the drawn one.
    setWindowIcon(
        QIcon::fromTheme(QStringLiteral("quillet"), MakeButtonIcon(EButtonPicture::Application)));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);

    // The display object first, published process-wide, then the screen and the view.
    m_pDD = std::make_unique<display::CDisplay>();
    display::CDisplay::SetCurrent(m_pDD.get());
    m_pScreen = std::make_unique<CCdgScreen>();
    m_pView = new CCdgView();
    m_pView->m_pScreen = m_pScreen.get();
    static_assert(kCdgViewKeyCommand == IDC_FULLSCREEN, "a key in the video toggles full screen");
    connect(m_pView, &CCdgView::Command, this, &CPlayerDlg::OnCommand, Qt::QueuedConnection);
    m_pKaraoke = std::make_unique<CKaraokeControls>(this, m_pView, m_app.GetPlayer());

    m_tickPeriod = std::chrono::milliseconds(1000 / CPlayerApp::LoadFps());
    m_timer.Start(m_tickPeriod, [this] { OnTimerTick(); });
    m_thread = std::thread([this] { PlaybackLoop(); });

    CreateControls();
    OnInitDialog();
}

CPlayerDlg::~CPlayerDlg() {
    StopTransport();
    // The flag handshake ends the playback thread, then the timer stops.
    m_bStopThread = true;
    WakePlayback();
    while (!m_bThreadDone) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    m_thread.join();
    m_timer.Kill();
    if (m_bCursorHidden) {
        QGuiApplication::restoreOverrideCursor();
        m_bCursorHidden = false;
    }
    delete m_pView;
    m_pView = nullptr;
    m_pScreen.reset();
    if (display::CDisplay::Current() == m_pDD.get()) {
        display::CDisplay::SetCurrent(nullptr);
    }
    m_pDD.reset();
}

QRect CPlayerDlg::MapDialogRect(int nLeft, int nTop, int nWidth, int nHeight) const {
    // As the templates were drawn: x units are a quarter of the font's average character
    // width, y units an eighth of its height.
    const QFontMetrics metrics(font());
    const int nAlphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int nBaseX = (nAlphabet / 26 + 1) / 2;
    const int nBaseY = metrics.height();
    auto mapX = [nBaseX](int n) { return (n * nBaseX * 2 + 4) / 8; };
    auto mapY = [nBaseY](int n) { return (n * nBaseY * 2 + 8) / 16; };
    const int nLeftPx = mapX(nLeft);
    const int nTopPx = mapY(nTop);
    return QRect(nLeftPx, nTopPx, mapX(nLeft + nWidth) - nLeftPx, mapY(nTop + nHeight) - nTopPx);
}

QWidget* CPlayerDlg::GetDlgItem(int nId) const {
    return ::GetDlgItem(this, nId);
}

void CPlayerDlg::CreateControls() {
    const QRect client = MapDialogRect(0, 0, kTemplateWidth, kTemplateHeight);
    resize(client.size());

    auto* pVideo = new QLabel(this);  // marks the video area; the view lies over it
    pVideo->setGeometry(MapDialogRect(7, 22, 129, 88));
    pVideo->setFrameStyle(QFrame::Box | QFrame::Plain);
    pVideo->hide();
    SetDlgItemId(pVideo, IDC_VIDEO);

    for (const ButtonSpec& spec : kButtons) {
        auto* pButton = new QPushButton(this);
        pButton->setGeometry(
            MapDialogRect(spec.rect.x(), spec.rect.y(), spec.rect.width(), spec.rect.height()));
        const QString strCaption = QString::fromUtf8(spec.pszText);
        pButton->setAccessibleName(QString(strCaption).remove(QLatin1Char('&')));
        // The caption is not shown on an image button, but its mnemonic still works.
        pButton->setShortcut(QKeySequence::mnemonic(strCaption));
        pButton->setIcon(MakeButtonIcon(spec.picture));
        const int nSide = std::min(pButton->width(), pButton->height());
        pButton->setIconSize(QSize(nSide * 2 / 3, nSide * 2 / 3));
        pButton->setToolTip(LoadResourceString(spec.nTipId));
        pButton->setFocusPolicy(Qt::ClickFocus);  // image buttons are no tab stops
        pButton->setAutoDefault(false);
        const int nId = spec.nId;
        if (nId == IDC_FASTFORWARD) {
            // The tick reads the held state; a click itself does nothing.
            connect(pButton, &QPushButton::pressed, this, [this] { m_bFastForwardHeld = true; });
            connect(pButton, &QPushButton::released, this, [this] { m_bFastForwardHeld = false; });
        } else {
            connect(pButton, &QPushButton::clicked, this, [this, nId] { OnCommand(nId); });
        }
        SetDlgItemId(pButton, nId);
    }
    m_pPlay = static_cast<QPushButton*>(GetDlgItem(IDC_PLAY));

    auto* pInitial = new QPushButton(QStringLiteral("Initial open"), this);
    pInitial->setGeometry(MapDialogRect(21, 158, 50, 14));
    pInitial->hide();
    connect(pInitial, &QPushButton::clicked, this, [this] { OnCommand(IDC_INITIAL_OPEN); });
    SetDlgItemId(pInitial, IDC_INITIAL_OPEN);

    for (const LabelSpec& spec : kLabels) {
        auto* pLabel = new QLabel(QString::fromUtf8(spec.pszText), this);
        pLabel->setGeometry(
            MapDialogRect(spec.rect.x(), spec.rect.y(), spec.rect.width(), spec.rect.height()));
        pLabel->setAlignment(spec.align | Qt::AlignVCenter);
        if (spec.align == Qt::AlignLeft && pLabel->sizeHint().width() > pLabel->width()) {
            // This platform's fonts run wider than the template's: a caption keeps its text.
            pLabel->resize(pLabel->sizeHint().width(), pLabel->height());
        }
        SetDlgItemId(pLabel, spec.nId);
    }
    m_pTime = static_cast<QLabel*>(GetDlgItem(IDC_TIME));
    m_pCurrentFile = static_cast<QLabel*>(GetDlgItem(IDC_CURRENT_FILE));

    // No public web site yet: the link shows and opens the help page.
    auto* pLink = new tindlib::CHyperLink2(QStringLiteral("Brindle: Quillet help"), this);
    pLink->setGeometry(MapDialogRect(113, 115, 84, 8));
    pLink->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    pLink->SetURL(QUrl::fromLocalFile(CPlayerApp::HelpPath()).toString());
    pLink->SetOpener([this](const QUrl&) {
        OnHelp();
        return true;
    });
    SetDlgItemId(pLink, IDC_WEBLINK);
}

void CPlayerDlg::OnInitDialog() {
    // The size every layout arrangement starts from, and the first minimum size.
    m_layout.RecordClientRect(this);
    m_sizeMinTrack = size();

    if (m_pView != nullptr) {
        m_pView->Create(this);
    }
    EnableTrackDrops();

    // Anchors, in the order the template lists the controls.
    const LayoutItemStruct table[] = {
        {IDC_VIDEO, LAYOUT_STRETCH_X | LAYOUT_STRETCH_Y, {}},
        {IDC_CLOSE, LAYOUT_RIGHT | LAYOUT_TOP, {}},
        {IDC_FULLSCREEN, LAYOUT_RIGHT | LAYOUT_TOP, {}},
        {IDC_OPEN, LAYOUT_RIGHT | LAYOUT_TOP, {}},
        {IDC_PLAY, LAYOUT_RIGHT | LAYOUT_BOTTOM, {}},
        {IDC_FASTFORWARD, LAYOUT_RIGHT | LAYOUT_BOTTOM, {}},
        {IDC_STOP, LAYOUT_RIGHT | LAYOUT_BOTTOM, {}},
        {IDC_WEBLINK, LAYOUT_RIGHT | LAYOUT_BOTTOM, {}},
        {IDC_NOTICE, LAYOUT_LEFT | LAYOUT_BOTTOM, {}},
        {IDC_TIME_CAPTION, LAYOUT_RIGHT | LAYOUT_BOTTOM, {}},
        {IDC_TIME, LAYOUT_RIGHT | LAYOUT_BOTTOM, {}},
        {IDC_CURRENT_FILE_CAPTION, LAYOUT_LEFT | LAYOUT_TOP, {}},
        {IDC_CURRENT_FILE, LAYOUT_STRETCH_X | LAYOUT_TOP, {}},
        {-1, -1, {}},
    };
    m_layout.Init(table, this);

    // Grow the dialog so that the video area shows the frame unscaled; the layout
    // stretches the video area by as much. It may grow later but never shrink below this.
    if (QWidget* pVideo = GetDlgItem(IDC_VIDEO); pVideo != nullptr && m_pView != nullptr) {
        const QSize grown(width() - pVideo->width() + kVideoWidth,
                          height() - pVideo->height() + kVideoHeight);
        resize(grown);
        m_layout.Apply(this, grown.width(), grown.height());
        m_sizeMinTrack = grown;
    }
    setMinimumSize(m_sizeMinTrack);
    PlaceView();
    m_bInitialised = true;

    QMetaObject::invokeMethod(
        this, [this] { OnCommand(IDC_INITIAL_OPEN); }, Qt::QueuedConnection);
}

void CPlayerDlg::PlaceView() {
    QWidget* pVideo = GetDlgItem(IDC_VIDEO);
    if (m_pView == nullptr || m_pView->IsFullScreen() || pVideo == nullptr) {
        return;
    }
    // Windowed, the view is a child of the dialog, so it moves with it by itself.
    m_pView->setGeometry(pVideo->geometry());
    m_pView->raise();
    m_pView->update();
}

void CPlayerDlg::SetFileChooser(std::function<QString(const QString&)> chooser) {
    m_fileChooser = std::move(chooser);
}

void CPlayerDlg::SetMessageHook(std::function<void(int, int, const QString&)> hook) {
    m_messageHook = std::move(hook);
}

void CPlayerDlg::ReportMessage(int nStringId, int nType, const QString& strDetail) {
    if (m_messageHook) {
        m_messageHook(nStringId, nType, strDetail);
    } else {
        ShowMessage(nStringId, nType, this, strDetail);
    }
}

void CPlayerDlg::ShowNotice(const QString& strText, const QString& strDetail) {
    auto* pNotice = qobject_cast<QLabel*>(GetDlgItem(IDC_NOTICE));
    if (pNotice == nullptr) {
        return;
    }
    if (m_strNotice.isNull()) {
        m_strNotice = pNotice->text();
    }
    pNotice->setText(strText.isEmpty() ? m_strNotice : strText);
    pNotice->setToolTip(strText.isEmpty() ? QString() : strDetail);
}

QString CPlayerDlg::GetNotice() const {
    const auto* pNotice = qobject_cast<const QLabel*>(GetDlgItem(IDC_NOTICE));
    return pNotice != nullptr ? pNotice->text() : QString();
}

void CPlayerDlg::OnHelp() {
    if (!CPlayerApp::OnHelp()) {
        ReportMessage(IDS_MANUAL_AT, kMbOk | kMbIconInformation, CPlayerApp::HelpPath());
    }
}

void CPlayerDlg::ShowAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CPlayerDlg::done(int nResult) {
    // Ending the dialog stops playback (and leaves full screen) before it closes.
    OnStop();
    QDialog::done(nResult);
}

void CPlayerDlg::moveEvent(QMoveEvent* pEvent) {
    QDialog::moveEvent(pEvent);
    PlaceView();
}

void CPlayerDlg::resizeEvent(QResizeEvent* pEvent) {
    QDialog::resizeEvent(pEvent);
    if (m_bInitialised) {
        m_layout.Apply(this, width(), height());
    }
    PlaceView();
}

void CPlayerDlg::keyPressEvent(QKeyEvent* pEvent) {
    if (m_pView != nullptr && m_pView->IsFullScreen()) {
        // Meant for the full-screen picture, which decides what it does: Escape included,
        // it returns to the window and never ends the dialog.
        QApplication::sendEvent(m_pView, pEvent);
        pEvent->accept();
        return;
    }
    if (pEvent->matches(QKeySequence::HelpContents) || pEvent->key() == Qt::Key_F1) {
        OnHelp();
        return;
    }
    QDialog::keyPressEvent(pEvent);
}

void CPlayerDlg::contextMenuEvent(QContextMenuEvent* pEvent) {
    QMenu* pMenu = CreateContextMenu();
    pMenu->setAttribute(Qt::WA_DeleteOnClose);
    pMenu->popup(pEvent->globalPos());
}

QMenu* CPlayerDlg::CreateContextMenu() {
    // This platform's window managers give no system menu; the dialog's own menu holds
    // the commands, and the About item last, after a separator.
    auto* pMenu = new QMenu(this);
    pMenu->addAction(QStringLiteral("&Open..."), this, [this] { OnCommand(IDC_OPEN); });
    AddRecentTracksMenu(pMenu);
    pMenu->addAction(QStringLiteral("&Play/Pause"), this, [this] { OnCommand(IDC_PLAY); });
    pMenu->addAction(QStringLiteral("&Stop"), this, [this] { OnCommand(IDC_STOP); });
    pMenu->addAction(QStringLiteral("&Full screen"), this, [this] { OnCommand(IDC_FULLSCREEN); });
    QAction* pExport = pMenu->addAction(QStringLiteral("Export video..."), this, [this] {
        ExportVideo(this, QString::fromStdString(m_strPath));
    });
    pExport->setEnabled(!m_strPath.empty());
    pMenu->addAction(QStringLiteral("&Help\tF1"), this, [this] { OnHelp(); });
    pMenu->addAction(QStringLiteral("E&xit"), this, [this] { OnCommand(IDC_CLOSE); });
    m_pKaraoke->AddToMenu(pMenu);
    const QString strAbout = LoadResourceString(IDS_ABOUTBOX);
    if (!strAbout.isEmpty()) {
        pMenu->addSeparator();
        pMenu->addAction(strAbout, this, [this] { ShowAbout(); });
    }
    return pMenu;
}
