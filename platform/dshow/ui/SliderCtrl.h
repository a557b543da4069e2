// CSliderCtrl: a wrapper attached to an existing trackbar widget, as MFC's is.
#pragma once

class QSlider;
class QWidget;

namespace dshow {

// Never creates or destroys a widget; it only acts on the one attached.
class CSliderCtrl {
public:
    bool Attach(QWidget* hwnd);
    QSlider* Detach();
    QSlider* GetSafeHwnd() const { return m_hWnd; }

    // Calls on an unattached wrapper do nothing (GetPos answers 0).
    void SetRange(int nMin, int nMax, bool bRedraw = false);
    void SetTicFreq(int nFreq);
    void SetPos(int nPos);
    int GetPos() const;

private:
    QSlider* m_hWnd = nullptr;
};

}  // namespace dshow
