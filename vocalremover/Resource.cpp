// The filter library's string table, version resource and dialog 101.
#include "vocalremover/Resource.h"

#include <cstring>

#include <QCoreApplication>
#include <QLabel>
#include <QSlider>
#include <QWidget>

#include "platform/dshow/ui/PropertyPage.h"

namespace skellan {

QString LoadResourceString(int id) {
    switch (id) {
        case IDS_TITLE:
            return QCoreApplication::translate("CVocalRemoverProp", "Skellan");
        default:
            return {};
    }
}

const char* VersionResourceString(const char* name) {
    static constexpr struct {
        const char* name;
        const char* value;
    } kVersion[] = {
        {"FileVersion", "1.00"},
        {"ProductVersion", "1.00"},
        {"FileDescription", "Skellan Filter (Sample)"},
        {"InternalName", "Skellan.ax"},
        {"OriginalFilename", "Skellan.ax"},
        {"ActiveMovie", "Filter dll"},
        {"OLESelfRegister", "AM20"},
    };
    if (name == nullptr)
        return nullptr;
    for (const auto& entry : kVersion) {
        if (std::strcmp(entry.name, name) == 0)
            return entry.value;
    }
    return nullptr;
}

namespace {

constexpr char kControlId[] = "controlId";
constexpr int kNoId = 65535;

struct Control {
    int id;
    bool trackbar;
    const char* text;
    QRect dlu;
};

// Dialog 101, 160 x 82 dialog units, font "MS Shell Dlg" 8 point.
constexpr Control kDialog101[] = {
    {kNoId, false, QT_TRANSLATE_NOOP("CVocalRemoverProp", "Level:"), QRect(0, 10, 20, 8)},
    {IDC_LEVEL, true, "Slider1", QRect(40, 0, 120, 25)},
    {kNoId, false, QT_TRANSLATE_NOOP("CVocalRemoverProp", "Balance:"), QRect(0, 35, 29, 8)},
    {IDC_BALANCE, true, "Slider1", QRect(40, 28, 120, 25)},
    {kNoId, false, QT_TRANSLATE_NOOP("CVocalRemoverProp", "Gain:"), QRect(0, 64, 18, 8)},
    {IDC_GAIN, true, "Slider1", QRect(40, 57, 120, 25)},
};
constexpr QSize kDialogSizeDlu(160, 82);

}  // namespace

QWidget* CreateVocalRemoverDialog(QWidget* parent) {
    auto* dialog = new QWidget(parent);
    dialog->setObjectName(QStringLiteral("IDD_VOCALREMOVER_PROP"));
    dialog->setFont(QFont(QStringLiteral("MS Shell Dlg"), 8));
    const QRect size = dshow::DialogUnitsToPixels(dialog, QRect(QPoint(0, 0), kDialogSizeDlu));
    dialog->setFixedSize(size.size());
    for (const Control& c : kDialog101) {
        QWidget* control = nullptr;
        if (c.trackbar) {
            auto* slider = new QSlider(Qt::Horizontal, dialog);
            slider->setTickPosition(QSlider::TicksBothSides);
            slider->setFocusPolicy(Qt::StrongFocus);
            slider->setAccessibleName(QString::fromLatin1(c.text));
            control = slider;
        } else {
            auto* label =
                new QLabel(QCoreApplication::translate("CVocalRemoverProp", c.text), dialog);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            control = label;
        }
        control->setProperty(kControlId, c.id);
        control->setGeometry(dshow::DialogUnitsToPixels(dialog, c.dlu));
    }
    return dialog;
}

QWidget* GetDlgItem(QWidget* dialog, int id) {
    if (dialog == nullptr || id == kNoId)
        return nullptr;
    for (QWidget* child : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->property(kControlId).toInt() == id)
            return child;
    }
    return nullptr;
}

}  // namespace skellan
