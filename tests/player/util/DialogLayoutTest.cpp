// Tests of CDialogLayout: the main dialog's anchoring, shrinking, restoring and centring.
#include <map>
#include <utility>

#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <gtest/gtest.h>

#include "player/util/DialogLayout.h"
#include "player/util/DlgItem.h"
#include "tests/support/TestApplication.h"

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 260;

// The player's dialog in pixels: id, flags, rectangle as left, top, width, height, and how
// the rectangle follows a change of the dialog's size: moved by (mx, my) times the change,
// grown by (gw, gh) times it.
struct ControlRow {
    int nID;
    int nFlags;
    int x, y, w, h;
    int mx, my, gw, gh;
};
constexpr int kRB = LAYOUT_RIGHT | LAYOUT_BOTTOM;
constexpr ControlRow kControls[] = {
    {1000, LAYOUT_STRETCH_X | LAYOUT_STRETCH_Y, 14, 44, 258, 176, 0, 0, 1, 1},
    {1005, LAYOUT_RIGHT | LAYOUT_TOP, 362, 44, 32, 32, 1, 0, 0, 0},
    {1001, LAYOUT_RIGHT | LAYOUT_TOP, 328, 44, 32, 32, 1, 0, 0, 0},
    {1002, LAYOUT_RIGHT | LAYOUT_TOP, 296, 44, 32, 32, 1, 0, 0, 0},
    {1003, kRB, 296, 188, 32, 32, 1, 1, 0, 0},
    {1011, kRB, 328, 188, 32, 32, 1, 1, 0, 0},
    {1004, kRB, 362, 188, 32, 32, 1, 1, 0, 0},
    {1007, kRB, 226, 230, 168, 16, 1, 1, 0, 0},
    {1008, LAYOUT_LEFT | LAYOUT_BOTTOM, 14, 230, 146, 16, 0, 1, 0, 0},
    {1009, kRB, 294, 164, 36, 16, 1, 1, 0, 0},
    {1010, kRB, 344, 164, 50, 16, 1, 1, 0, 0},
    {1014, LAYOUT_LEFT | LAYOUT_TOP, 14, 14, 72, 16, 0, 0, 0, 0},
    {1013, LAYOUT_STRETCH_X | LAYOUT_TOP, 108, 14, 286, 16, 0, 0, 1, 0},
};

class DialogLayoutTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { TestApplication(); }

    void SetUp() override {
        m_dialog.resize(kWidth, kHeight);
        for (const ControlRow& row : kControls) {
            QWidget* pControl = new QLabel(&m_dialog);
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

// Each size follows the last: nothing drifts, and the original size restores every control.
TEST_F(DialogLayoutTest, ResizingMovesAndStretchesByTheTable) {
    for (const auto& [dw, dh] : {std::pair{100, 100}, {-50, -30}, {37, -9}, {3, 250}, {0, 0}}) {
        m_layout.Apply(&m_dialog, kWidth + dw, kHeight + dh);
        for (const ControlRow& r : kControls) {
            EXPECT_EQ(Geometry(r.nID),
                      QRect(r.x + r.mx * dw, r.y + r.my * dh, r.w + r.gw * dw, r.h + r.gh * dh))
                << "control " << r.nID << " after a change of " << dw << "," << dh;
        }
    }
}

// A stretched control whose size comes out negative shrinks to nothing.
TEST_F(DialogLayoutTest, ShrinkingBelowAStretchedControlsSizeLeavesItEmpty) {
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

// Centring keeps the size and truncates toward zero (wider than the new size by an odd
// amount: one pixel narrower); of two flags of a group, the later one decides.
TEST(ArrangeRectTest, CentringAndFlagPrecedence) {
    struct Case {
        int nFlags, nNewWidth, nNewHeight;
        LayoutRect expected;
    };
    const Case cases[] = {
        {LAYOUT_CENTER_X | LAYOUT_CENTER_Y, 51, 61, {15, 20, 35, 40}},
        {LAYOUT_CENTER_X, 5, 100, {-7, 20, 12, 40}},
        {LAYOUT_CENTER_Y, 100, 4, {10, -8, 30, 12}},
        {LAYOUT_RIGHT | LAYOUT_STRETCH_X, 150, 100, {10, 20, 80, 40}},
        {LAYOUT_STRETCH_X | LAYOUT_CENTER_X, 150, 100, {65, 20, 85, 40}},
        {LAYOUT_BOTTOM | LAYOUT_STRETCH_Y, 100, 70, {10, 20, 30, 10}},
        {LAYOUT_LEFT | LAYOUT_TOP, 500, 500, {10, 20, 30, 40}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CDialogLayout::ArrangeRect({10, 20, 30, 40}, c.nFlags, 100, 100, c.nNewWidth,
                                             c.nNewHeight),
                  c.expected)
            << "flags " << c.nFlags << " to " << c.nNewWidth << "x" << c.nNewHeight;
    }
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
