// Control ids on Qt widgets, so dialogs can address their controls by number.
#pragma once

class QWidget;

// Gives a widget its control id.
void SetDlgItemId(QWidget* pControl, int nID);
// The control id of a widget; -1 when it has none.
int GetDlgItemId(const QWidget* pControl);
// The descendant of the dialog with that control id, or null.
QWidget* GetDlgItem(const QWidget* pDialog, int nID);
