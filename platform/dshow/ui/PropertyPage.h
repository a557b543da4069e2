// IPropertyPage and the framework's page base, CBasePropertyPage, on Qt widgets.
#pragma once

#include <cstdint>

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

#include "platform/dshow/ComBase.h"

class QAbstractSlider;

namespace dshow {

// The window messages a page's dialog receives. A trackbar sends WM_HSCROLL with its own
// widget as the long parameter and a TB_ code as the word parameter; a button sends
// WM_COMMAND. WM_DESTROY comes however the dialog goes, its controls still alive.
enum PageMessage : uint32_t {
    WM_DESTROY = 0x0002,
    WM_INITDIALOG = 0x0110,
    WM_COMMAND = 0x0111,
    WM_HSCROLL = 0x0114,
};
using WPARAM = uintptr_t;
using LPARAM = intptr_t;

// Trackbar notification codes. Keys, clicks beside the thumb and the wheel send the code
// of their step (sent even when the thumb is already at that end); dragging sends
// TB_THUMBTRACK for every position; letting go of the thumb, moved or not, sends
// TB_THUMBPOSITION and then TB_ENDTRACK.
enum TrackbarCode : WPARAM {
    TB_LINEUP = 0,
    TB_LINEDOWN = 1,
    TB_PAGEUP = 2,
    TB_PAGEDOWN = 3,
    TB_THUMBPOSITION = 4,
    TB_THUMBTRACK = 5,
    TB_TOP = 6,
    TB_BOTTOM = 7,
    TB_ENDTRACK = 8,
};

struct PROPPAGEINFO {
    QString pszTitle;
    QSize size;  // pixels
};

class IPropertyPage : public IUnknown {
public:
    // One object connects the page, none disconnects it.
    virtual HRESULT SetObjects(ULONG cObjects, IUnknown** ppUnk) = 0;
    // Creates the page's dialog as a child of parent, placed at rect. E_UNEXPECTED while
    // the page is active, even when the host has destroyed the dialog with its parent.
    virtual HRESULT Activate(QWidget* parent, const QRect& rect, BOOL bModal) = 0;
    // Ends an activation, destroying the dialog if it still exists.
    virtual HRESULT Deactivate() = 0;
    virtual HRESULT GetPageInfo(PROPPAGEINFO* pPageInfo) = 0;
    virtual HRESULT Show(BOOL bShow) = 0;
    virtual HRESULT Move(const QRect& rect) = 0;
    virtual HRESULT IsPageDirty() = 0;
    virtual HRESULT Apply() = 0;

protected:
    ~IPropertyPage() = default;
};

// Runs on the thread that owns the frame's widgets (the UI thread).
class CBasePropertyPage : public CUnknown, public IPropertyPage {
public:
    CBasePropertyPage(IUnknown* pUnk, int dialogId, int titleId);
    ~CBasePropertyPage() override;

    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    HRESULT SetObjects(ULONG cObjects, IUnknown** ppUnk) override;
    HRESULT Activate(QWidget* parent, const QRect& rect, BOOL bModal) override;
    HRESULT Deactivate() override;
    HRESULT GetPageInfo(PROPPAGEINFO* pPageInfo) override;
    HRESULT Show(BOOL bShow) override;
    HRESULT Move(const QRect& rect) override;
    HRESULT IsPageDirty() override { return m_bDirty ? S_OK : S_FALSE; }
    HRESULT Apply() override;

    // What a page overrides.
    virtual HRESULT OnConnect(IUnknown*) { return S_OK; }
    virtual HRESULT OnDisconnect() { return S_OK; }
    virtual HRESULT OnActivate() { return S_OK; }
    virtual HRESULT OnDeactivate() { return S_OK; }
    virtual HRESULT OnApplyChanges() { return S_OK; }
    // Every message of the dialog from WM_INITDIALOG on; true when handled.
    virtual intptr_t OnReceiveMessage(QWidget* hwnd, uint32_t uMsg, WPARAM wParam, LPARAM lParam);

    // The page's dialog while it exists, else null.
    QWidget* Dialog() const { return m_hwnd; }

protected:
    // Builds dialog m_DialogId as a child of parent (the resource's content).
    virtual QWidget* CreateDialogWidget(QWidget* parent) = 0;
    // The title from string resource m_TitleId.
    virtual QString LoadTitle() = 0;

    void SetDirty() { m_bDirty = true; }

    const int m_DialogId;
    const int m_TitleId;

private:
    void RouteControlMessages();
    void RouteTrackbar(QAbstractSlider* slider);

    // Cleared by Qt should the host destroy the dialog first.
    QPointer<QWidget> m_hwnd;
    QMetaObject::Connection m_destroyRoute;
    bool m_bActive = false;  // from Activate to Deactivate, whatever became of the dialog
    bool m_bDirty = false;
    bool m_bObjectSet = false;
};

// Converts dialog units to pixels from the widget's font, as Windows does for dialogs:
// a horizontal unit is a quarter of the average character width, a vertical one an
// eighth of the character height.
QRect DialogUnitsToPixels(const QWidget* dialog, const QRect& dlu);

}  // namespace dshow
