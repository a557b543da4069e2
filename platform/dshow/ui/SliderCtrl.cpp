// CSliderCtrl: trackbar settings on an attached QSlider.
#include "platform/dshow/ui/SliderCtrl.h"

#include <QSignalBlocker>

namespace dshow {

bool CSliderCtrl::Attach(QWidget* hwnd) {
    auto* slider = qobject_cast<QSlider*>(hwnd);
    if (slider == nullptr || m_hWnd != nullptr)
        return false;
    m_hWnd = slider;
    return true;
}

QSlider* CSliderCtrl::Detach() {
    QSlider* slider = m_hWnd.data();
    m_hWnd.clear();
    return slider;
}

void CSliderCtrl::SetRange(int nMin, int nMax, bool bRedraw) {
    if (m_hWnd == nullptr)
        return;
    // Like a trackbar, a programmatic change notifies nobody.
    const QSignalBlocker quiet(m_hWnd);
    m_hWnd->setRange(nMin, nMax);
    if (bRedraw)
        m_hWnd->update();
}

void CSliderCtrl::SetTicFreq(int nFreq) {
    if (m_hWnd == nullptr)
        return;
    m_hWnd->setTickInterval(nFreq);
}

void CSliderCtrl::SetPos(int nPos) {
    if (m_hWnd == nullptr)
        return;
    const QSignalBlocker quiet(m_hWnd);
    m_hWnd->setValue(nPos);  // clamped to the range, as a trackbar does
}

int CSliderCtrl::GetPos() const {
    return m_hWnd != nullptr ? m_hWnd->sliderPosition() : 0;
}

}  // namespace dshow
