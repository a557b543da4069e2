// Display-text helpers: a path shortened with "..." to fit a control, and message boxes.
#pragma once

#include <string>

#include <QString>

class QWidget;

// prefix + path + suffix, the path shortened with "..." so that the whole text fits the
// width (pixels; the control's content width when nWidth <= 0), measured in the control's
// font. Prefix and suffix may be null. The last, narrowest form is returned even when it is
// still too wide.
QString FitPathToControl(const std::string& path, const QWidget* pControl, const char* pszPrefix,
                         const char* pszSuffix, int nWidth);

// Message-box types as the resource strings' callers give them.
inline constexpr int kMessageError = -1;  // the error icon and an OK button
inline constexpr int kMbOk = 0x00;
inline constexpr int kMbOkCancel = 0x01;
inline constexpr int kMbAbortRetryIgnore = 0x02;
inline constexpr int kMbYesNoCancel = 0x03;
inline constexpr int kMbYesNo = 0x04;
inline constexpr int kMbRetryCancel = 0x05;
inline constexpr int kMbIconError = 0x10;
inline constexpr int kMbIconQuestion = 0x20;
inline constexpr int kMbIconWarning = 0x30;
inline constexpr int kMbIconInformation = 0x40;

// Shows the resource string nStringId in a modal message box titled with the application's
// name. nType is kMessageError or a combination of one button set and one icon above.
// A string id the application does not know shows nothing.
void ShowMessage(int nStringId, int nType, QWidget* pParent = nullptr);
// The same with the text given directly.
void ShowMessage(const QString& text, int nType, QWidget* pParent = nullptr);
// The same, with a second paragraph of detail under the message (none when empty).
void ShowMessage(int nStringId, int nType, QWidget* pParent, const QString& strDetail);
