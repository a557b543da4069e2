// Tests of FitPathToControl against real font metrics, and of the message boxes.
#include <string>

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include "player/util/DisplayText.h"
#include "player/util/ResourceStrings.h"
#include "tests/support/TestApplication.h"

namespace {

class DisplayTextTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { TestApplication(); }

    int Measure(const std::string& text) const {
        return QFontMetrics(m_label.font()).horizontalAdvance(QString::fromUtf8(text));
    }

    // The path fitted into the width its whole text needs, plus nSpare pixels.
    std::string Fit(const std::string& path, int nSpare, const char* pszPrefix = nullptr,
                    const char* pszSuffix = nullptr) const {
        const std::string whole =
            std::string(pszPrefix ? pszPrefix : "") + path + (pszSuffix ? pszSuffix : "");
        return FitPathToControl(path, &m_label, pszPrefix, pszSuffix, Measure(whole) + nSpare)
            .toStdString();
    }

    QLabel m_label;
};

// A path that fits is shown whole; one pixel too narrow, it loses folders before its last
// ones. Without a drive, the leading separator goes in the shortened forms.
TEST_F(DisplayTextTest, PathIsShortenedOnlyWhenItDoesNotFit) {
    const std::string path = "/home/ann/longfoldername/another/song.cdg";
    EXPECT_EQ(Fit("/home/ann/karaoke/song.cdg", 0), "/home/ann/karaoke/song.cdg");
    EXPECT_EQ(Fit("C:\\music\\albums\\longfoldername\\another\\song.cdg", -1),
              "C:\\music\\albums\\...\\song.cdg");
    EXPECT_EQ(Fit(path, -1), "home/ann/.../song.cdg");
    EXPECT_EQ(Fit("\\songs\\music\\longfoldername\\song.cdg", -1), "songs\\...\\song.cdg");
    EXPECT_EQ(Fit(path, 0, "File: ", " (playing)"), "File: " + path + " (playing)");
    EXPECT_EQ(Fit(path, -1, "File: ", " (playing)"), "File: home/ann/.../song.cdg (playing)");
    EXPECT_EQ(FitPathToControl("", &m_label, "[", "]", 1).toStdString(), "[]");
}

TEST_F(DisplayTextTest, NarrowControlGetsACutNameEndingInDots) {
    const std::string path = "/home/ann/karaoke/a-rather-long-song-title.cdg";
    const int nWidth = Measure(".../a-rather...");
    const std::string fitted =
        FitPathToControl(path, &m_label, nullptr, nullptr, nWidth).toStdString();
    EXPECT_TRUE(fitted.ends_with("...")) << fitted;
    EXPECT_TRUE(fitted.starts_with(".../a-rather")) << fitted;
    EXPECT_LE(Measure(fitted), nWidth);
    EXPECT_EQ(FitPathToControl(path, &m_label, nullptr, nullptr, 1).toStdString(), "...");
}

TEST_F(DisplayTextTest, CuttingNeverSplitsACharacter) {
    const std::string path = "/Lieder/Grüße aus Köln – ÄÖÜ.cdg";
    for (int nWidth = 1; nWidth < Measure(path); nWidth += 3) {
        const QString fitted = FitPathToControl(path, &m_label, nullptr, nullptr, nWidth);
        EXPECT_FALSE(fitted.contains(QChar::ReplacementCharacter)) << nWidth;
        EXPECT_EQ(QString::fromUtf8(fitted.toUtf8()), fitted);
    }
}

TEST_F(DisplayTextTest, ZeroWidthMeansTheControlsOwnWidth) {
    const std::string path = "/home/ann/longfoldername/another/song.cdg";
    m_label.resize(Measure(path) - 1, 20);
    EXPECT_EQ(FitPathToControl(path, &m_label, nullptr, nullptr, 0).toStdString(),
              "home/ann/.../song.cdg");
    m_label.resize(Measure(path) + 5, 20);
    EXPECT_EQ(FitPathToControl(path, &m_label, nullptr, nullptr, -1).toStdString(), path);
}

// Closes the next modal message box after recording what it showed.
struct SeenBox {
    bool bSeen = false;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString text;
    QMessageBox::StandardButtons buttons;
};

void CloseNextBox(SeenBox& seen) {
    QTimer::singleShot(0, [&seen] {
        auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (pBox) {
            seen = {true, pBox->icon(), pBox->text(), pBox->standardButtons()};
            pBox->done(0);
        }
    });
}

TEST_F(DisplayTextTest, MessageTypesPickButtonsAndIcon) {
    SeenBox seen;
    CloseNextBox(seen);
    ShowMessage(IDS_CANNOT_OPEN, kMessageError);
    ASSERT_TRUE(seen.bSeen);
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.text, "Cannot open the file.");
    EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    seen = {};
    CloseNextBox(seen);
    ShowMessage(QString("Replace?"), kMbYesNo | kMbIconQuestion);
    ASSERT_TRUE(seen.bSeen);
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.text, "Replace?");
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
}

TEST_F(DisplayTextTest, UnknownStringShowsNothing) {
    SeenBox seen;
    CloseNextBox(seen);
    ShowMessage(4242, kMessageError);
    QApplication::processEvents();
    EXPECT_FALSE(seen.bSeen);
    EXPECT_TRUE(LoadResourceString(4242).isEmpty());
    EXPECT_FALSE(LoadResourceString(IDS_CANNOT_SEEK).isEmpty());
}

}  // namespace
