// CHyperLink2: link look, and which gestures open the URL.
#include <vector>

#include <QApplication>
#include <QDesktopServices>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include "tests/support/TestApplication.h"
#include "tindlib/HyperLink2.h"

using tindlib::CHyperLink2;

namespace {

// Stands in for the browser: records every URL the desktop was asked to open.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    std::vector<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.push_back(url); }
};

class HyperLink2Test : public ::testing::Test {
protected:
    static void SetUpTestSuite() { TestApplication(); }
    void SetUp() override {
        QDesktopServices::setUrlHandler("https", &m_recorder, "open");
        m_link.resize(200, 20);
        m_link.show();
    }
    void TearDown() override { QDesktopServices::unsetUrlHandler("https"); }

    UrlRecorder m_recorder;
    CHyperLink2 m_link;
};

}  // namespace

TEST_F(HyperLink2Test, LooksLikeALinkOnlyWithAUrl) {
    EXPECT_FALSE(m_link.font().underline());
    m_link.SetURL("https://example.org/songs");
    EXPECT_EQ(m_link.text(), "https://example.org/songs") << "no text: the URL is shown";
    EXPECT_EQ(m_link.GetURL(), "https://example.org/songs");
    EXPECT_TRUE(m_link.font().underline());
    EXPECT_EQ(m_link.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(m_link.palette().color(QPalette::WindowText), m_link.palette().color(QPalette::Link));
    EXPECT_EQ(m_link.toolTip(), "https://example.org/songs");

    CHyperLink2 named("Visit us");
    named.SetURL("https://example.org");
    EXPECT_EQ(named.text(), "Visit us") << "an existing text is kept";
    named.SetURL("");
    EXPECT_FALSE(named.font().underline());
    EXPECT_FALSE(named.Open());
}

TEST_F(HyperLink2Test, ClickAndKeysOpenTheUrl) {
    m_link.SetURL("https://example.org/help");
    QTest::mouseClick(&m_link, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_EQ(m_recorder.opened.size(), 1u);
    EXPECT_EQ(m_recorder.opened[0], QUrl("https://example.org/help"));

    QTest::mouseClick(&m_link, Qt::RightButton, {}, QPoint(5, 5));
    QTest::mousePress(&m_link, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&m_link, Qt::LeftButton, {}, QPoint(500, 5));
    EXPECT_EQ(m_recorder.opened.size(), 1u) << "right clicks and dragged-off releases do nothing";

    QTest::keyClick(&m_link, Qt::Key_Return);
    QTest::keyClick(&m_link, Qt::Key_Space);
    EXPECT_EQ(m_recorder.opened.size(), 3u);

    m_link.SetURL(" ");
    QTest::mouseClick(&m_link, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(m_recorder.opened.size(), 3u) << "without a URL it is a plain label";
}

#include "HyperLink2Test.moc"
