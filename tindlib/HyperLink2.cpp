// CHyperLink2: link look and opening the URL.
#include "tindlib/HyperLink2.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>

namespace tindlib {

CHyperLink2::CHyperLink2(QWidget* pParent) : QLabel(pParent) {
    ApplyStyle();
}

CHyperLink2::CHyperLink2(const QString& strText, QWidget* pParent) : QLabel(strText, pParent) {
    ApplyStyle();
}

void CHyperLink2::SetURL(const QString& strUrl) {
    const QUrl url = QUrl::fromUserInput(strUrl);
    m_url = strUrl.trimmed().isEmpty() || !url.isValid() ? QUrl() : url;
    if (text().isEmpty()) {
        setText(m_url.toString());
    }
    ApplyStyle();
}

bool CHyperLink2::Open() const {
    if (m_url.isEmpty()) {
        return false;
    }
    return m_opener ? m_opener(m_url) : QDesktopServices::openUrl(m_url);
}

void CHyperLink2::ApplyStyle() {
    // Plain text only: a label's text must not be read as markup or a link of its own.
    setTextFormat(Qt::PlainText);
    QFont f = font();
    const bool bLink = !m_url.isEmpty();
    f.setUnderline(bLink);
    setFont(f);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText,
                 bLink ? pal.color(QPalette::Link) : QPalette().color(QPalette::WindowText));
    setPalette(pal);
    setCursor(bLink ? Qt::PointingHandCursor : Qt::ArrowCursor);
    setToolTip(bLink ? m_url.toString() : QString());
    setFocusPolicy(bLink ? Qt::TabFocus : Qt::NoFocus);
}

void CHyperLink2::mousePressEvent(QMouseEvent* pEvent) {
    m_bPressed = pEvent->button() == Qt::LeftButton;
    QLabel::mousePressEvent(pEvent);
}

void CHyperLink2::mouseReleaseEvent(QMouseEvent* pEvent) {
    const bool bClick = m_bPressed && pEvent->button() == Qt::LeftButton &&
                        rect().contains(pEvent->position().toPoint());
    m_bPressed = false;
    if (bClick) {
        Open();
    }
    QLabel::mouseReleaseEvent(pEvent);
}

void CHyperLink2::keyPressEvent(QKeyEvent* pEvent) {
    if (pEvent->key() == Qt::Key_Return || pEvent->key() == Qt::Key_Enter ||
        pEvent->key() == Qt::Key_Space) {
        Open();
        return;
    }
    QLabel::keyPressEvent(pEvent);
}

}  // namespace tindlib
