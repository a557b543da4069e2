// Path fitting measured with the control's font, and message boxes through QMessageBox.
#include "player/util/DisplayText.h"

#include <vector>

#include <QApplication>
#include <QFontMetrics>
#include <QMessageBox>
#include <QWidget>

#include "player/util/PathUtil.h"
#include "player/util/ResourceStrings.h"

namespace {

constexpr const char* kEllipsis = "...";
constexpr int kButtonMask = 0x0F;
constexpr int kIconMask = 0xF0;

// Drops the last character of a UTF-8 text (all of its bytes, so the text stays valid).
void DropLastCharacter(std::string& text) {
    while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80) {
        text.pop_back();
    }
    if (!text.empty()) {
        text.pop_back();
    }
}

QMessageBox::StandardButtons ButtonsOfType(int nType) {
    switch (nType & kButtonMask) {
        case kMbOkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case kMbAbortRetryIgnore:
            return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
        case kMbYesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case kMbYesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case kMbRetryCancel:
            return QMessageBox::Retry | QMessageBox::Cancel;
        default:
            return QMessageBox::Ok;
    }
}

QMessageBox::Icon IconOfType(int nType) {
    switch (nType & kIconMask) {
        case kMbIconError:
            return QMessageBox::Critical;
        case kMbIconQuestion:
            return QMessageBox::Question;
        case kMbIconWarning:
            return QMessageBox::Warning;
        case kMbIconInformation:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

}  // namespace

QString FitPathToControl(const std::string& path, const QWidget* pControl, const char* pszPrefix,
                         const char* pszSuffix, int nWidth) {
    const std::string prefix = pszPrefix ? pszPrefix : "";
    const std::string suffix = pszSuffix ? pszSuffix : "";
    const QFontMetrics metrics(pControl ? pControl->font() : QApplication::font());
    const int nLimit = nWidth > 0 ? nWidth : (pControl ? pControl->contentsRect().width() : 0);
    const auto measure = [&](const std::string& text) {
        return metrics.horizontalAdvance(QString::fromUtf8(prefix + text + suffix));
    };
    const auto result = [&](const std::string& text) {
        return QString::fromUtf8(prefix + text + suffix);
    };

    if (path.empty() || measure(path) <= nLimit) {
        return result(path);
    }

    // Keep the drive and the leading folder names, replacing more and more of the folders
    // nearest the file by "...".
    const char separator = pathutil::PreferredSeparator(path);
    std::vector<std::string> parts;
    SplitPath(path, parts);
    std::vector<std::string> entries{parts[0]};
    std::vector<std::string> names;
    SplitFolders(parts[1], names, true);
    entries.insert(entries.end(), names.begin(), names.end());
    const int nNames = static_cast<int>(names.size());

    std::string inHand = path;
    for (int m = nNames - 1; m >= 0; --m) {
        std::string folder;
        for (int j = 0; j < m; ++j) {
            folder = pathutil::JoinPathWith(folder, entries[j], separator);
        }
        folder = pathutil::JoinPathWith(folder, kEllipsis, separator);
        inHand = pathutil::MakePathWith(nullptr, folder.c_str(), parts[2].c_str(), parts[3].c_str(),
                                        separator);
        if (measure(inHand) < nLimit) {
            return result(inHand);
        }
    }

    // Nothing fitted: cut the file name from its end.
    std::string tail =
        pathutil::MakePathWith(nullptr, kEllipsis, parts[2].c_str(), parts[3].c_str(), separator);
    while (!tail.empty()) {
        if (measure(inHand) <= nLimit) {
            break;
        }
        DropLastCharacter(tail);
        inHand = tail + kEllipsis;
    }
    return result(inHand);
}

namespace {

void ShowMessageBox(const QString& text, int nType, QWidget* pParent, const QString& strDetail) {
    if (nType == kMessageError) {
        nType = kMbOk | kMbIconError;
    }
    QMessageBox box(IconOfType(nType), QApplication::applicationDisplayName(), text,
                    ButtonsOfType(nType), pParent);
    box.setInformativeText(strDetail);
    box.exec();
}

}  // namespace

void ShowMessage(int nStringId, int nType, QWidget* pParent) {
    const QString text = LoadResourceString(nStringId);
    if (!text.isEmpty()) {
        ShowMessage(text, nType, pParent);
    }
}

void ShowMessage(const QString& text, int nType, QWidget* pParent) {
    ShowMessageBox(text, nType, pParent, QString());
}

void ShowMessage(int nStringId, int nType, QWidget* pParent, const QString& strDetail) {
    const QString text = LoadResourceString(nStringId);
    if (!text.isEmpty()) {
        ShowMessageBox(text, nType, pParent, strDetail);
    }
}
