// CDialogLayout: keeps the controls of a resizable dialog anchored to its edges.
#pragma once

#include <memory>

class QWidget;

// Anchoring flags, one group per axis; when several of a group are set, the later one in
// this list decides.
inline constexpr int LAYOUT_LEFT = 0x01;       // left and right stay
inline constexpr int LAYOUT_RIGHT = 0x02;      // left and right move with the right edge
inline constexpr int LAYOUT_STRETCH_X = 0x04;  // left stays, right moves
inline constexpr int LAYOUT_CENTER_X = 0x08;   // centred, width kept
inline constexpr int LAYOUT_TOP = 0x10;        // top and bottom stay
inline constexpr int LAYOUT_BOTTOM = 0x20;     // top and bottom move with the bottom edge
inline constexpr int LAYOUT_STRETCH_Y = 0x40;  // top stays, bottom moves
inline constexpr int LAYOUT_CENTER_Y = 0x80;   // centred, height kept

// Rectangle as left, top, right, bottom (right and bottom exclusive).
struct LayoutRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const LayoutRect&) const = default;
};

// One entry of a layout table; an entry with nID -1 ends the table.
struct LayoutItemStruct {
    int nID = -1;
    int nFlags = 0;
    LayoutRect rect;  // in the dialog's client coordinates, taken by Init
};

// Used on the UI thread only. Controls are found by their ids (see DlgItem.h).
class CDialogLayout {
public:
    CDialogLayout() = default;
    CDialogLayout(const CDialogLayout&) = delete;
    CDialogLayout& operator=(const CDialogLayout&) = delete;

    // Remembers the dialog's client size as the size every arrangement starts from.
    void RecordClientRect(const QWidget* pDialog);
    // Copies the table (up to its terminator) and takes the current rectangle of every
    // listed control that exists. An empty table installs nothing.
    void Init(const LayoutItemStruct* pTable, const QWidget* pDialog);
    // Moves every control for the new client size, each from its recorded rectangle.
    void Apply(QWidget* pDialog, int nNewWidth, int nNewHeight);

    // Moves the table's existing controls in one batch: the dialog is not repainted
    // between the moves.
    static void ArrangeControls(QWidget* pDialog, int nInitialWidth, int nInitialHeight,
                                int nNewWidth, int nNewHeight, const LayoutItemStruct* pTable);
    // Where one control goes; sizes come out negative when the dialog shrank that far.
    static LayoutRect ArrangeRect(const LayoutRect& rect, int nFlags, int nInitialWidth,
                                  int nInitialHeight, int nNewWidth, int nNewHeight);

    const LayoutItemStruct* GetItems() const { return m_pItems.get(); }

private:
    std::unique_ptr<LayoutItemStruct[]> m_pItems;  // terminator included; null until Init
    LayoutRect m_rcInitial;
};
