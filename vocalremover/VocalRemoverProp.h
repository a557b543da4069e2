// CVocalRemoverProp: the filter's property page with the Level, Balance and Gain trackbars.
#pragma once

#include "platform/dshow/ui/PropertyPage.h"
#include "platform/dshow/ui/SliderCtrl.h"
#include "vocalremover/IVocalRemover.h"

namespace skellan {

// Every trackbar movement writes all three of the page's copies to the filter at once;
// the page is never dirty and has no Apply step. UI thread only.
class CVocalRemoverProp final : public dshow::CBasePropertyPage {
public:
    // E_OUTOFMEMORY through phr and null when the page cannot be allocated.
    static dshow::CUnknown* CreateInstance(com::IUnknown* punk, HRESULT* phr);

    HRESULT OnConnect(com::IUnknown* pUnknown) override;
    HRESULT OnDisconnect() override;
    HRESULT OnDeactivate() override;
    intptr_t OnReceiveMessage(QWidget* hwnd, uint32_t uMsg, dshow::WPARAM wParam,
                              dshow::LPARAM lParam) override;

private:
    explicit CVocalRemoverProp(com::IUnknown* punk);
    ~CVocalRemoverProp() override;

    QWidget* CreateDialogWidget(QWidget* parent) override;
    QString LoadTitle() override;
    void OnSliderMoved(dshow::WPARAM wParam, dshow::LPARAM lParam);
    void ReadParameters();

    // Destroyed in the order Gain, Balance, Level.
    dshow::CSliderCtrl m_LevelSlider;
    dshow::CSliderCtrl m_BalanceSlider;
    dshow::CSliderCtrl m_GainSlider;
    IVocalRemover* m_pVocalRemover = nullptr;  // counted, from OnConnect to OnDisconnect
    int m_nLevel = 0;
    int m_nBalance = 0;
    int m_nGain = 0;
};

}  // namespace skellan
