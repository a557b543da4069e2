// Control ids kept as a dynamic property of each widget.
#include "player/util/DlgItem.h"

#include <QVariant>
#include <QWidget>

namespace {

constexpr const char* kIdProperty = "quilletControlId";

}  // namespace

void SetDlgItemId(QWidget* pControl, int nID) {
    if (pControl) {
        pControl->setProperty(kIdProperty, nID);
    }
}

int GetDlgItemId(const QWidget* pControl) {
    if (!pControl) {
        return -1;
    }
    bool bOk = false;
    const int nID = pControl->property(kIdProperty).toInt(&bOk);
    return bOk ? nID : -1;
}

QWidget* GetDlgItem(const QWidget* pDialog, int nID) {
    if (!pDialog || nID == -1) {
        return nullptr;
    }
    for (QWidget* pChild : pDialog->findChildren<QWidget*>()) {
        if (GetDlgItemId(pChild) == nID) {
            return pChild;
        }
    }
    return nullptr;
}
