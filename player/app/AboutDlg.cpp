// CAboutDlg: the About box laid out from its dialog-unit template.
#include "player/app/AboutDlg.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

#include "player/app/ButtonIcons.h"
#include "player/app/PlayerApp.h"
#include "player/util/DlgItem.h"
#include "tindlib/HyperLink2.h"

namespace {

constexpr int kIdWebLink = 1007;

// Dialog units of the dialog's font in pixels, as the template was drawn.
QRect MapRect(const QFont& font, int nLeft, int nTop, int nWidth, int nHeight) {
    const QFontMetrics metrics(font);
    const int nBaseX = (metrics.horizontalAdvance(QStringLiteral(
                            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                            26 +
                        1) /
                       2;
    const int nBaseY = metrics.height();
    auto mapX = [nBaseX](int n) { return (n * nBaseX * 2 + 4) / 8; };
    auto mapY = [nBaseY](int n) { return (n * nBaseY * 2 + 8) / 16; };
    return QRect(mapX(nLeft), mapY(nTop), mapX(nLeft + nWidth) - mapX(nLeft),
                 mapY(nTop + nHeight) - mapY(nTop));
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent) {
    setWindowTitle(tr("About Quillet"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    const QRect client = MapRect(font(), 0, 0, 186, 164);
    setFixedSize(client.size());

    auto* pIcon = new QLabel(this);
    pIcon->setGeometry(MapRect(font(), 83, 30, 21, 20));
    const int nSide = std::min(pIcon->width(), pIcon->height());
    pIcon->setPixmap(MakeButtonIcon(EButtonPicture::Application).pixmap(nSide, nSide));
    pIcon->setAlignment(Qt::AlignCenter);

    auto* pOk = new QPushButton(tr("OK"), this);
    pOk->setGeometry(MapRect(font(), 68, 143, 50, 14));
    pOk->setDefault(true);
    connect(pOk, &QPushButton::clicked, this, &QDialog::accept);

    struct Text {
        const char* pszText;
        QRect rect;
    };
    const Text texts[] = {
        {QT_TR_NOOP("Quillet"), {61, 7, 64, 8}},
        {QT_TR_NOOP("\u00a9 2026 Brindle"), {57, 59, 73, 8}},
        {QT_TR_NOOP("Portions: Qt, GStreamer, libsndfile"), {28, 76, 130, 8}},
        {QT_TR_NOOP("Get more CD+G tools from Brindle website:"), {13, 107, 160, 8}},
    };
    for (const Text& text : texts) {
        auto* pLabel = new QLabel(tr(text.pszText), this);
        pLabel->setGeometry(
            MapRect(font(), text.rect.x(), text.rect.y(), text.rect.width(), text.rect.height()));
        pLabel->setAlignment(Qt::AlignCenter);
    }

    // No public web site yet: the link shows and opens the help page.
    const QString strHelp = CPlayerApp::HelpPath();
    m_link = new tindlib::CHyperLink2(tr("Quillet help"), this);
    m_link->setGeometry(MapRect(font(), 53, 123, 80, 8));
    m_link->setAlignment(Qt::AlignCenter);
    m_link->SetURL(QUrl::fromLocalFile(strHelp).toString());
    SetDlgItemId(m_link, kIdWebLink);
}
