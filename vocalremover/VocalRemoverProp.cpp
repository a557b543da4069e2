// CVocalRemoverProp: connection to the filter, trackbar set-up and the slider rule.
#include "vocalremover/VocalRemoverProp.h"

#include <new>

#include <QSlider>

#include "vocalremover/Resource.h"

namespace skellan {

using namespace dshow;

namespace {

struct TrackbarSetting {
    int id;
    int min, max, ticFrequency;
};
constexpr TrackbarSetting kLevel{IDC_LEVEL, 0, 100, 10};
constexpr TrackbarSetting kBalance{IDC_BALANCE, 0, 100, 10};
constexpr TrackbarSetting kGain{IDC_GAIN, 0, 300, 25};

void SetUpTrackbar(CSliderCtrl& slider, QWidget* dialog, const TrackbarSetting& s, int pos) {
    slider.Attach(GetDlgItem(dialog, s.id));
    slider.SetRange(s.min, s.max, false);
    slider.SetTicFreq(s.ticFrequency);
    slider.SetPos(pos);
}

}  // namespace

CUnknown* CVocalRemoverProp::CreateInstance(com::IUnknown* punk, HRESULT* phr) {
    auto* page = new (std::nothrow) CVocalRemoverProp(punk);
    if (page == nullptr && phr != nullptr)
        *phr = E_OUTOFMEMORY;
    return page;
}

CVocalRemoverProp::CVocalRemoverProp(com::IUnknown* punk)
    : CBasePropertyPage(punk, IDD_VOCALREMOVER_PROP, IDS_TITLE) {}

CVocalRemoverProp::~CVocalRemoverProp() {
    if (m_pVocalRemover != nullptr)
        m_pVocalRemover->Release();
}

QWidget* CVocalRemoverProp::CreateDialogWidget(QWidget* parent) {
    return CreateVocalRemoverDialog(parent);
}

QString CVocalRemoverProp::LoadTitle() {
    return LoadResourceString(m_TitleId);
}

void CVocalRemoverProp::ReadParameters() {
    m_pVocalRemover->get_Level(&m_nLevel);
    m_pVocalRemover->get_Balance(&m_nBalance);
    m_pVocalRemover->get_Gain(&m_nGain);
}

HRESULT CVocalRemoverProp::OnConnect(com::IUnknown* pUnknown) {
    if (pUnknown == nullptr)
        return E_POINTER;
    IVocalRemover* filter = nullptr;
    if (FAILED(pUnknown->QueryInterface(IID_IVocalRemover, reinterpret_cast<void**>(&filter)))) {
        return E_NOINTERFACE;
    }
    if (m_pVocalRemover != nullptr)
        m_pVocalRemover->Release();  // connected twice
    m_pVocalRemover = filter;
    ReadParameters();
    return S_OK;
}

HRESULT CVocalRemoverProp::OnDisconnect() {
    if (m_pVocalRemover == nullptr)
        return E_UNEXPECTED;
    m_pVocalRemover->Release();
    m_pVocalRemover = nullptr;
    return S_OK;
}

HRESULT CVocalRemoverProp::OnDeactivate() {
    // The next activation starts from the filter's values.
    if (m_pVocalRemover != nullptr)
        ReadParameters();
    return S_OK;
}

intptr_t CVocalRemoverProp::OnReceiveMessage(QWidget* hwnd, uint32_t uMsg, WPARAM wParam,
                                             LPARAM lParam) {
    switch (uMsg) {
        case WM_INITDIALOG:
            SetUpTrackbar(m_LevelSlider, hwnd, kLevel, m_nLevel);
            SetUpTrackbar(m_BalanceSlider, hwnd, kBalance, m_nBalance);
            SetUpTrackbar(m_GainSlider, hwnd, kGain, m_nGain);
            return 1;
        case WM_HSCROLL:
            OnSliderMoved(wParam, lParam);
            return 1;
        case WM_COMMAND:
            return 1;
        case WM_DESTROY:
            m_LevelSlider.Detach();
            m_BalanceSlider.Detach();
            m_GainSlider.Detach();
            return 1;
        default:
            return 0;
    }
}

void CVocalRemoverProp::OnSliderMoved(WPARAM /*wParam*/, LPARAM lParam) {
    // Every notification re-sends all three, whatever its code and whether or not the
    // thumb moved.
    auto* slider = qobject_cast<QSlider*>(reinterpret_cast<QObject*>(lParam));
    if (slider == nullptr)
        return;  // only trackbars scroll this dialog
    int* copy = &m_nGain;
    if (slider == m_LevelSlider.GetSafeHwnd()) {
        copy = &m_nLevel;
    } else if (slider == m_BalanceSlider.GetSafeHwnd()) {
        copy = &m_nBalance;
    }
    CSliderCtrl sender;
    sender.Attach(slider);
    *copy = sender.GetPos();
    if (m_pVocalRemover == nullptr)
        return;
    m_pVocalRemover->put_Level(m_nLevel);
    m_pVocalRemover->put_Balance(m_nBalance);
    m_pVocalRemover->put_Gain(m_nGain);
}

}  // namespace skellan
