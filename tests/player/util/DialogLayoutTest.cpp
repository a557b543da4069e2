// Tests of CDialogLayout: the main dialog's anchoring, shrinking, restoring and centring.
#include <map>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <gtest/gtest.h>

#include "player/util/DialogLayout.h"
#include "player/util/DlgItem.h"
#include "tests/support/TestApplication.h"

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 260;

// The player's dialog in pixels: id, flags, rectangle as left, top, width, height.
struct ControlRow {
    int nID;
    int nFlags;
    int x, y, w, h;
};
constexpr ControlRow kControls[] = {
    {1000, LAYOUT_STRETCH_X | LAYOUT_STRETCH_Y, 14, 44, 258, 176},
    {1005, LAYOUT_RIGHT | LAYOUT_TOP, 362, 44, 32, 32},
    {1001, LAYOUT_RIGHT | LAYOUT_TOP, 328, 44, 32, 32},
    {1002, LAYOUT_RIGHT | LAYOUT_TOP, 296, 44, 32, 32},
    {1003, LAYOUT_RIGHT | LAYOUT_BOTTOM, 296, 188, 32, 32},
    {1011, LAYOUT_RIGHT | LAYOUT_BOTTOM, 328, 188, 32, 32},
    {1004, LAYOUT_RIGHT | LAYOUT_BOTTOM, 362, 188, 32, 32},
    {1007, LAYOUT_RIGHT | LAYOUT_BOTTOM, 226, 230, 168, 16},
    {1008, LAYOUT_LEFT | LAYOUT_BOTTOM, 14, 230, 146, 16},
    {1009, LAYOUT_RIGHT | LAYOUT_BOTTOM, 294, 164, 36, 16},
    {1010, LAYOUT_RIGHT | LAYOUT_BOTTOM, 344, 164, 50, 16},
    {1014, LAYOUT_LEFT | LAYOUT_TOP, 14, 14, 72, 16},
    {1013, LAYOUT_STRETCH_X | LAYOUT_TOP, 108, 14, 286, 16},
};

class DialogLayoutTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { TestApplication(); }

    void SetUp() override {
        m_dialog.resize(kWidth, kHeight);
        for (const ControlRow& row : kControls) {
            QWidget* pControl = row.nID >= 1007 || row.nID == 1000
                                    ? static_cast<QWidget*>(new QLabel(&m_dialog))
                                    : new QPushButton(&m_dialog);
            SetDlgItemId(pControl, row.nID);
            pControl->setGeometry(row.x, row.y, row.w, row.h);
            m_table.push_back({row.nID, row.nFlags, {}});
        }
        m_table.push_back({-1, -1, {}});
        m_layout.RecordClientRect(&m_dialog);
        m_layout.Init(m_table.data(), &m_dialog);
    }

    QRect Geometry(int nID) const { return GetDlgItem(&m_dialog, nID)->geometry(); }

    std::map<int, QRect> AllGeometries() const {
        std::map<int, QRect> result;
        for (const ControlRow& row : kControls) {
            result[row.nID] = Geometry(row.nID);
        }
        return result;
    }

    QWidget m_dialog;
    std::vector<LayoutItemStruct> m_table;
    CDialogLayout m_layout;
};

TEST_F(DialogLayoutTest, GrowingMovesAndStretchesByTheTable) {
    m_layout.Apply(&m_dialog, kWidth + 100, kHeight + 100);
    for (const ControlRow& row : kControls) {
        QRect expected(row.x, row.y, row.w, row.h);
        switch (row.nID) {
            case 1000:
                expected.setSize({row.w + 100, row.h + 100});
                break;
            case 1005:
            case 1001:
            case 1002:
                expected.translate(100, 0);
                break;
            case 1008:
                expected.translate(0, 100);
                break;
            case 1014:
                break;
            case 1013:
                expected.setWidth(row.w + 100);
                break;
            default:  // play, fast forward, stop, link, time labels
                expected.translate(100, 100);
                break;
        }
        EXPECT_EQ(Geometry(row.nID), expected) << "control " << row.nID;
    }
}

TEST_F(DialogLayoutTest, RepeatedResizingRestoresEveryControlExactly) {
    const std::map<int, QRect> initial = AllGeometries();
    const int sizes[][2] = {{kWidth + 37, kHeight + 11},
                            {kWidth + 3, kHeight + 250},
                            {kWidth - 20, kHeight - 9},
                            {kWidth + 1, kHeight + 1}};
    for (const auto& size : sizes) {
        m_layout.Apply(&m_dialog, size[0], size[1]);
    }
    EXPECT_NE(AllGeometries(), initial);
    m_layout.Apply(&m_dialog, kWidth, kHeight);
    EXPECT_EQ(AllGeometries(), initial);
}

TEST_F(DialogLayoutTest, ShrinkingGivesNegativeChanges) {
    m_layout.Apply(&m_dialog, kWidth - 50, kHeight - 30);
    EXPECT_EQ(Geometry(1005), QRect(312, 44, 32, 32));
    EXPECT_EQ(Geometry(1004), QRect(312, 158, 32, 32));
    EXPECT_EQ(Geometry(1000), QRect(14, 44, 208, 146));
    // A stretched control whose size comes out negative shrinks to nothing.
    m_layout.Apply(&m_dialog, kWidth - 300, kHeight);
    EXPECT_EQ(Geometry(1000).width(), 0);
    EXPECT_EQ(Geometry(1000).left(), 14);
    const LayoutItemStruct* pItems = m_layout.GetItems();
    ASSERT_NE(pItems, nullptr);
    EXPECT_EQ(CDialogLayout::ArrangeRect(pItems[0].rect, pItems[0].nFlags, kWidth, kHeight,
                                         kWidth - 300, kHeight)
                  .right,
              14 + 258 - 300);
}

TEST_F(DialogLayoutTest, InitRecordsRectanglesAndSkipsMissingControls) {
    QWidget panel(&m_dialog);
    panel.setGeometry(50, 60, 100, 100);
    QLabel nested(&panel);
    SetDlgItemId(&nested, 2001);
    nested.setGeometry(5, 7, 20, 10);
    const LayoutItemStruct table[] = {
        {2001, LAYOUT_RIGHT | LAYOUT_BOTTOM, {}}, {2002, LAYOUT_RIGHT, {1, 2, 3, 4}}, {-1, -1, {}}};
    CDialogLayout layout;
    layout.RecordClientRect(&m_dialog);
    layout.Init(table, &m_dialog);
    const LayoutItemStruct* pItems = layout.GetItems();
    ASSERT_NE(pItems, nullptr);
    EXPECT_EQ(pItems[0].rect, (LayoutRect{55, 67, 75, 77}));
    EXPECT_EQ(pItems[1].rect, (LayoutRect{1, 2, 3, 4}));
    EXPECT_EQ(pItems[2].nID, -1);
    layout.Apply(&m_dialog, kWidth + 10, kHeight + 20);
    EXPECT_EQ(nested.geometry(), QRect(15, 27, 20, 10));  // in its parent's coordinates
}

TEST_F(DialogLayoutTest, EmptyTableInstallsNothing) {
    const LayoutItemStruct table[] = {{-1, -1, {}}};
    CDialogLayout layout;
    layout.RecordClientRect(&m_dialog);
    layout.Init(table, &m_dialog);
    EXPECT_EQ(layout.GetItems(), nullptr);
    const std::map<int, QRect> before = AllGeometries();
    layout.Apply(&m_dialog, kWidth + 100, kHeight + 100);
    EXPECT_EQ(AllGeometries(), before);
}

TEST(ArrangeRectTest, CentringKeepsWidthAndTruncatesTowardZero) {
    const LayoutRect r{10, 20, 30, 40};  // 20 x 20
    EXPECT_EQ(CDialogLayout::ArrangeRect(r, LAYOUT_CENTER_X | LAYOUT_CENTER_Y, 100, 100, 51, 61),
              (LayoutRect{15, 20, 35, 40}));
    // Wider than the new size by an odd amount: one pixel narrower.
    EXPECT_EQ(CDialogLayout::ArrangeRect(r, LAYOUT_CENTER_X, 100, 100, 5, 100),
              (LayoutRect{-7, 20, 12, 40}));
    EXPECT_EQ(CDialogLayout::ArrangeRect(r, LAYOUT_CENTER_Y, 100, 100, 100, 4),
              (LayoutRect{10, -8, 30, 12}));
}

TEST(ArrangeRectTest, LaterFlagOfAGroupDecides) {
    const LayoutRect r{10, 20, 30, 40};
    EXPECT_EQ(CDialogLayout::ArrangeRect(r, LAYOUT_RIGHT | LAYOUT_STRETCH_X, 100, 100, 150, 100),
              (LayoutRect{10, 20, 80, 40}));
    EXPECT_EQ(CDialogLayout::ArrangeRect(r, LAYOUT_STRETCH_X | LAYOUT_CENTER_X, 100, 100, 150, 100),
              (LayoutRect{65, 20, 85, 40}));
    EXPECT_EQ(CDialogLayout::ArrangeRect(r, LAYOUT_BOTTOM | LAYOUT_STRETCH_Y, 100, 100, 100, 70),
              (LayoutRect{10, 20, 30, 10}));
    EXPECT_EQ(CDialogLayout::ArrangeRect(r, LAYOUT_LEFT | LAYOUT_TOP, 100, 100, 500, 500), r);
}

TEST_F(DialogLayoutTest, DlgItemFindsControlsByIdOnly) {
    QWidget dialog;
    QLabel a(&dialog);
    QLabel b(&dialog);
    SetDlgItemId(&b, 7);
    EXPECT_EQ(GetDlgItem(&dialog, 7), &b);
    EXPECT_EQ(GetDlgItem(&dialog, 8), nullptr);
    EXPECT_EQ(GetDlgItem(&dialog, -1), nullptr);
    EXPECT_EQ(GetDlgItemId(&a), -1);
    EXPECT_EQ(GetDlgItem(nullptr, 7), nullptr);
}

}  // namespace
