// CSliderCtrl: a wrapper attached to an existing trackbar widget, as MFC's is.
#pragma once

#include <QPointer>
#include <QSlider>

namespace dshow {

// Never creates or destroys a widget; it only acts on the one attached, and lets go of it
// by itself should the widget be destroyed while attached.
class CSliderCtrl {
public:
    bool Attach(QWidget* hwnd);
    QSlider* Detach();
    QSlider* GetSafeHwnd() const { return m_hWnd.data(); }

    // Calls on an unattached wrapper do nothing (GetPos answers 0).
    void SetRange(int nMin, int nMax, bool bRedraw = false);
    void SetTicFreq(int nFreq);
    void SetPos(int nPos);
    // The thumb's position, already the new one while a notification is delivered.
    int GetPos() const;

private:
    QPointer<QSlider> m_hWnd;
};

}  // namespace dshow
