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

    QLabel m_label;
};

TEST_F(DisplayTextTest, PathThatFitsIsReturnedWhole) {
    const std::string path = "/home/ann/karaoke/song.cdg";
    const QString fitted = FitPathToControl(path, &m_label, nullptr, nullptr, Measure(path));
    EXPECT_EQ(fitted.toStdString(), path);
    EXPECT_EQ(FitPathToControl("", &m_label, "[", "]", 1).toStdString(), "[]");
}

TEST_F(DisplayTextTest, SlightlyTooWideLosesTheLastTwoFolders) {
    const std::string path = "C:\\music\\albums\\longfoldername\\another\\song.cdg";
    const QString fitted = FitPathToControl(path, &m_label, nullptr, nullptr, Measure(path) - 1);
    EXPECT_EQ(fitted.toStdString(), "C:\\music\\albums\\...\\song.cdg");

    const std::string unixPath = "/home/ann/longfoldername/another/song.cdg";
    const QString unixFitted =
        FitPathToControl(unixPath, &m_label, nullptr, nullptr, Measure(unixPath) - 1);
    // Without a drive, the leading separator goes in the shortened forms.
    EXPECT_EQ(unixFitted.toStdString(), "home/ann/.../song.cdg");
}

TEST_F(DisplayTextTest, LeadingBackslashWithoutDriveIsDropped) {
    const std::string path = "\\songs\\music\\longfoldername\\song.cdg";
    const QString fitted = FitPathToControl(path, &m_label, nullptr, nullptr, Measure(path) - 1);
    EXPECT_EQ(fitted.toStdString(), "songs\\...\\song.cdg");
}

TEST_F(DisplayTextTest, PrefixAndSuffixCountInTheWidth) {
    const std::string path = "/home/ann/longfoldername/another/song.cdg";
    const int nWidth = Measure("File: " + path + " (playing)");
    EXPECT_EQ(FitPathToControl(path, &m_label, "File: ", " (playing)", nWidth).toStdString(),
              "File: " + path + " (playing)");
    EXPECT_EQ(FitPathToControl(path, &m_label, "File: ", " (playing)", nWidth - 1).toStdString(),
              "File: home/ann/.../song.cdg (playing)");
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

TEST_F(DisplayTextTest, CannotOpenShowsTheErrorIconAndOk) {
    SeenBox seen;
    CloseNextBox(seen);
    ShowMessage(IDS_CANNOT_OPEN, kMessageError);
    ASSERT_TRUE(seen.bSeen);
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.text, "Cannot open the file.");
    EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

TEST_F(DisplayTextTest, OtherTypesPickButtonsAndIcon) {
    SeenBox seen;
    CloseNextBox(seen);
    ShowMessage(QString("Replace?"), kMbYesNo | kMbIconQuestion);
    ASSERT_TRUE(seen.bSeen);
    EXPECT_EQ(seen.icon, QMessageBox::Question);
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
