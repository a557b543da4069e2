// Anchored layout: each control computed afresh from its recorded rectangle.
#include "player/util/DialogLayout.h"

#include <QWidget>

#include "player/util/DlgItem.h"

namespace {

constexpr int kTerminator = -1;

// Top-left of a control in the dialog's client coordinates.
QPoint PositionInDialog(const QWidget* pControl, const QWidget* pDialog) {
    const QWidget* pParent = pControl->parentWidget();
    if (!pParent || pParent == pDialog) {
        return pControl->pos();
    }
    return pParent->mapTo(pDialog, pControl->pos());
}

}  // namespace

void CDialogLayout::RecordClientRect(const QWidget* pDialog) {
    if (pDialog) {
        m_rcInitial = {0, 0, pDialog->width(), pDialog->height()};
    }
}

void CDialogLayout::Init(const LayoutItemStruct* pTable, const QWidget* pDialog) {
    if (!pTable) {
        return;
    }
    size_t nCount = 0;
    while (pTable[nCount].nID != kTerminator) {
        ++nCount;
    }
    if (nCount == 0) {
        return;
    }
    auto pItems = std::make_unique<LayoutItemStruct[]>(nCount + 1);
    for (size_t i = 0; i < nCount; ++i) {
        pItems[i] = pTable[i];
        if (const QWidget* pControl = GetDlgItem(pDialog, pTable[i].nID)) {
            const QPoint at = PositionInDialog(pControl, pDialog);
            pItems[i].rect = {at.x(), at.y(), at.x() + pControl->width(),
                              at.y() + pControl->height()};
        }
    }
    pItems[nCount] = pTable[nCount];
    m_pItems = std::move(pItems);
}

void CDialogLayout::Apply(QWidget* pDialog, int nNewWidth, int nNewHeight) {
    if (m_pItems) {
        ArrangeControls(pDialog, m_rcInitial.right - m_rcInitial.left,
                        m_rcInitial.bottom - m_rcInitial.top, nNewWidth, nNewHeight,
                        m_pItems.get());
    }
}

LayoutRect CDialogLayout::ArrangeRect(const LayoutRect& rect, int nFlags, int nInitialWidth,
                                      int nInitialHeight, int nNewWidth, int nNewHeight) {
    // One axis at a time; each flag works from the recorded edges, so the last one set
    // decides.
    auto arrange = [nFlags](int nLow, int nHigh, int nDelta, int nNewSize, int nMove, int nStretch,
                            int nCenter, int& nOutLow, int& nOutHigh) {
        const int nSize = nHigh - nLow;
        nOutLow = nLow;
        nOutHigh = nHigh;
        if (nFlags & nMove) {
            nOutLow = nLow + nDelta;
            nOutHigh = nHigh + nDelta;
        }
        if (nFlags & nStretch) {
            nOutLow = nLow;
            nOutHigh = nHigh + nDelta;
        }
        if (nFlags & nCenter) {
            nOutLow = (nNewSize - nSize) / 2;
            nOutHigh = (nNewSize + nSize) / 2;
        }
    };
    LayoutRect r = rect;
    arrange(rect.left, rect.right, nNewWidth - nInitialWidth, nNewWidth, LAYOUT_RIGHT,
            LAYOUT_STRETCH_X, LAYOUT_CENTER_X, r.left, r.right);
    arrange(rect.top, rect.bottom, nNewHeight - nInitialHeight, nNewHeight, LAYOUT_BOTTOM,
            LAYOUT_STRETCH_Y, LAYOUT_CENTER_Y, r.top, r.bottom);
    return r;
}

void CDialogLayout::ArrangeControls(QWidget* pDialog, int nInitialWidth, int nInitialHeight,
                                    int nNewWidth, int nNewHeight, const LayoutItemStruct* pTable) {
    if (!pDialog || !pTable) {
        return;
    }
    // One batch: no repaint until every control is in place.
    const bool bUpdates = pDialog->updatesEnabled();
    pDialog->setUpdatesEnabled(false);
    for (const LayoutItemStruct* pItem = pTable; pItem->nID != kTerminator; ++pItem) {
        QWidget* pControl = GetDlgItem(pDialog, pItem->nID);
        if (!pControl) {
            continue;
        }
        const LayoutRect r = ArrangeRect(pItem->rect, pItem->nFlags, nInitialWidth, nInitialHeight,
                                         nNewWidth, nNewHeight);
        QPoint at(r.left, r.top);
        QWidget* pParent = pControl->parentWidget();
        if (pParent && pParent != pDialog) {
            at = pParent->mapFrom(pDialog, at);
        }
        // Qt cannot give a widget a negative size; such a control shrinks to nothing.
        pControl->setGeometry(at.x(), at.y(), r.right - r.left, r.bottom - r.top);
    }
    pDialog->setUpdatesEnabled(bUpdates);
}
