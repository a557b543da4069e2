// Resource identifiers and the string, version and dialog resources of the filter library.
#pragma once

#include <QString>

class QWidget;

namespace skellan {

inline constexpr int IDD_VOCALREMOVER_PROP = 101;  // the property page's dialog
inline constexpr int IDS_TITLE = 102;              // "Skellan"
inline constexpr int IDC_LEVEL = 1004;
inline constexpr int IDC_BALANCE = 1005;
inline constexpr int IDC_GAIN = 1006;

// The string table; empty for an unknown identifier.
QString LoadResourceString(int id);

// One entry of the library's version resource ("FileVersion", "FileDescription", ...);
// null for an unknown name.
const char* VersionResourceString(const char* name);

// Dialog 101: the three labelled trackbars, placed in dialog units of the dialog's font.
QWidget* CreateVocalRemoverDialog(QWidget* parent);
// The control of a dialog with the given identifier, or null.
QWidget* GetDlgItem(QWidget* dialog, int id);

}  // namespace skellan
