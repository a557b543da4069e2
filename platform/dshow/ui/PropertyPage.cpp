// CBasePropertyPage: connecting objects, creating and destroying the page's dialog.
#include "platform/dshow/ui/PropertyPage.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QFontMetrics>
#include <QWidget>

namespace dshow {

CBasePropertyPage::CBasePropertyPage(IUnknown* pUnk, int dialogId, int titleId)
    : CUnknown(pUnk), m_DialogId(dialogId), m_TitleId(titleId) {}

CBasePropertyPage::~CBasePropertyPage() {
    // The page that would handle WM_DESTROY is already gone.
    QObject::disconnect(m_destroyRoute);
    delete m_hwnd;
}

HRESULT CBasePropertyPage::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    if (riid == IID_IPropertyPage)
        return GetInterface(static_cast<IPropertyPage*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CBasePropertyPage::SetObjects(ULONG cObjects, IUnknown** ppUnk) {
    if (cObjects == 1) {
        if (ppUnk == nullptr)
            return E_POINTER;
        m_bObjectSet = true;
        return OnConnect(*ppUnk);
    }
    if (cObjects == 0) {
        m_bObjectSet = false;
        return OnDisconnect();
    }
    return E_UNEXPECTED;
}

HRESULT CBasePropertyPage::Activate(QWidget* parent, const QRect& rect, BOOL /*bModal*/) {
    if (m_bActive)
        return E_UNEXPECTED;
    QWidget* dialog = CreateDialogWidget(parent);
    if (dialog == nullptr)
        return E_OUTOFMEMORY;
    m_hwnd = dialog;
    m_bActive = true;
    // QWidget announces its end before it deletes its children, so the page can let go
    // of its controls while they still exist, whoever destroys the dialog.
    m_destroyRoute = QObject::connect(dialog, &QObject::destroyed, [this, dialog] {
        OnReceiveMessage(dialog, WM_DESTROY, 0, 0);
    });
    OnReceiveMessage(dialog, WM_INITDIALOG, 0, 0);
    RouteControlMessages();
    if (const HRESULT hr = OnActivate(); FAILED(hr)) {
        Deactivate();
        return hr;
    }
    Move(rect);
    return Show(TRUE);
}

void CBasePropertyPage::RouteControlMessages() {
    QWidget* dialog = m_hwnd;
    for (QAbstractSlider* slider : dialog->findChildren<QAbstractSlider*>())
        RouteTrackbar(slider);
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
        QObject::connect(button, &QAbstractButton::clicked, dialog, [this, button] {
            OnReceiveMessage(m_hwnd, WM_COMMAND, 0, reinterpret_cast<LPARAM>(button));
        });
    }
}

void CBasePropertyPage::RouteTrackbar(QAbstractSlider* slider) {
    const auto notify = [this, slider](WPARAM code) {
        OnReceiveMessage(m_hwnd, WM_HSCROLL, code, reinterpret_cast<LPARAM>(slider));
    };
    // Emitted with the thumb already at its new position, whether or not it moved; a
    // programmatic setValue is not an action, so it notifies nobody, as TBM_SETPOS.
    QObject::connect(slider, &QAbstractSlider::actionTriggered, slider, [notify](int action) {
        switch (action) {
            case QAbstractSlider::SliderSingleStepAdd:
                return notify(TB_LINEDOWN);
            case QAbstractSlider::SliderSingleStepSub:
                return notify(TB_LINEUP);
            case QAbstractSlider::SliderPageStepAdd:
                return notify(TB_PAGEDOWN);
            case QAbstractSlider::SliderPageStepSub:
                return notify(TB_PAGEUP);
            case QAbstractSlider::SliderToMinimum:
                return notify(TB_TOP);
            case QAbstractSlider::SliderToMaximum:
                return notify(TB_BOTTOM);
            case QAbstractSlider::SliderMove:
                return notify(TB_THUMBTRACK);
            default:
                return;
        }
    });
    QObject::connect(slider, &QAbstractSlider::sliderReleased, slider, [notify] {
        notify(TB_THUMBPOSITION);
        notify(TB_ENDTRACK);
    });
}

HRESULT CBasePropertyPage::Deactivate() {
    if (!m_bActive)
        return E_UNEXPECTED;
    const HRESULT hr = OnDeactivate();
    m_bActive = false;
    if (QWidget* dialog = m_hwnd) {
        delete dialog;  // sends WM_DESTROY
        m_hwnd = nullptr;
    }
    QObject::disconnect(m_destroyRoute);
    return hr;
}

HRESULT CBasePropertyPage::GetPageInfo(PROPPAGEINFO* pPageInfo) {
    if (pPageInfo == nullptr)
        return E_POINTER;
    pPageInfo->pszTitle = LoadTitle();
    // The size of the dialog, made for the measurement and thrown away.
    QWidget* probe = CreateDialogWidget(nullptr);
    if (probe == nullptr)
        return E_OUTOFMEMORY;
    pPageInfo->size = probe->size();
    delete probe;
    return S_OK;
}

HRESULT CBasePropertyPage::Show(BOOL bShow) {
    if (m_hwnd == nullptr)
        return E_UNEXPECTED;
    m_hwnd->setVisible(bShow != FALSE);
    return S_OK;
}

HRESULT CBasePropertyPage::Move(const QRect& rect) {
    if (m_hwnd == nullptr)
        return E_UNEXPECTED;
    m_hwnd->move(rect.topLeft());
    return S_OK;
}

HRESULT CBasePropertyPage::Apply() {
    if (!m_bObjectSet)
        return E_UNEXPECTED;
    if (!m_bDirty)
        return S_OK;
    const HRESULT hr = OnApplyChanges();
    if (SUCCEEDED(hr))
        m_bDirty = false;
    return hr;
}

intptr_t CBasePropertyPage::OnReceiveMessage(QWidget*, uint32_t, WPARAM, LPARAM) {
    return 0;
}

QRect DialogUnitsToPixels(const QWidget* dialog, const QRect& dlu) {
    const QFontMetrics metrics(dialog->font());
    static const QString kAlphabet =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int baseX = (metrics.horizontalAdvance(kAlphabet) / 26 + 1) / 2;
    const int baseY = metrics.height();
    auto x = [&](int v) { return (v * baseX + 2) / 4; };
    auto y = [&](int v) { return (v * baseY + 4) / 8; };
    return QRect(x(dlu.x()), y(dlu.y()), x(dlu.width()), y(dlu.height()));
}

}  // namespace dshow
