// CHyperLink2: a label shown as a link that opens its URL in the desktop's browser.
#pragma once

#include <functional>

#include <QLabel>
#include <QString>
#include <QUrl>

namespace tindlib {

// Underlined, in the palette's link colour, with a pointing-hand cursor and the URL as
// its tool tip. A left click (press and release inside) or Enter/Space while focused
// opens the URL with QDesktopServices. Without a URL it behaves as a plain label.
// Threads: the UI thread only, as every widget.
class CHyperLink2 : public QLabel {
public:
    explicit CHyperLink2(QWidget* pParent = nullptr);
    CHyperLink2(const QString& strText, QWidget* pParent = nullptr);

    // Sets the target; an empty or invalid URL turns the link off. When the label has no
    // text yet, it shows the URL.
    void SetURL(const QString& strUrl);
    QString GetURL() const { return m_url.toString(); }
    // Opens the URL now; false when there is none or the desktop refused it.
    bool Open() const;
    // Replaces how the URL is opened (QDesktopServices by default), e.g. to tell the user
    // where the target is when no browser can be started.
    void SetOpener(std::function<bool(const QUrl&)> opener) { m_opener = std::move(opener); }

protected:
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;

private:
    void ApplyStyle();

    QUrl m_url;
    bool m_bPressed = false;
    std::function<bool(const QUrl&)> m_opener;
};

}  // namespace tindlib
