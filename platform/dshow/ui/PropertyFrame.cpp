// CPropertyFrame: page creation, connection, activation and the OK/Cancel/Apply buttons.
#include "platform/dshow/ui/PropertyFrame.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/com/ComRuntime.h"
#include "platform/com/TaskMemory.h"

namespace dshow {

CPropertyFrame::PageCreator CPropertyFrame::RegistryPageCreator() {
    return [](REFCLSID clsid, IPropertyPage** page) {
        return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                                reinterpret_cast<void**>(page));
    };
}

CPropertyFrame::CPropertyFrame(const QString& caption, QWidget* parent)
    : QDialog(parent), m_tabs(new QTabWidget(this)) {
    setWindowTitle(caption);
    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this);
    m_apply = buttons->button(QDialogButtonBox::Apply);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        ApplyAll();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_apply, &QPushButton::clicked, this, &CPropertyFrame::ApplyAll);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
    UpdateApply();
}

CPropertyFrame::~CPropertyFrame() {
    ClosePages();
}

HRESULT CPropertyFrame::ShowObjectPages(IUnknown* object, const PageCreator& create) {
    if (object == nullptr)
        return E_POINTER;
    ISpecifyPropertyPages* specify = nullptr;
    HRESULT hr =
        object->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&specify));
    if (FAILED(hr))
        return hr;
    CAUUID pages;
    hr = specify->GetPages(&pages);
    specify->Release();
    if (FAILED(hr))
        return hr;
    if (pages.cElems == 0 || pages.pElems == nullptr) {
        CoTaskMemFree(pages.pElems);
        return E_UNEXPECTED;
    }
    std::vector<IPropertyPage*> made;
    for (ULONG i = 0; i < pages.cElems && SUCCEEDED(hr); ++i) {
        IPropertyPage* page = nullptr;
        hr = create(pages.pElems[i], &page);
        if (FAILED(hr))
            break;
        hr = page->SetObjects(1, &object);
        if (FAILED(hr)) {
            page->Release();
            break;
        }
        made.push_back(page);
    }
    CoTaskMemFree(pages.pElems);
    if (FAILED(hr)) {
        for (IPropertyPage* page : made) {
            page->SetObjects(0, nullptr);
            page->Release();
        }
        return hr;
    }
    for (IPropertyPage* page : made) {
        PROPPAGEINFO info;
        page->GetPageInfo(&info);
        auto* container = new QWidget;
        container->setMinimumSize(info.size);
        m_tabs->addTab(container, info.pszTitle);
        page->Activate(container, QRect(QPoint(0, 0), info.size), FALSE);
        m_pages.push_back(page);
    }
    UpdateApply();
    return S_OK;
}

void CPropertyFrame::ClosePages() {
    for (IPropertyPage* page : m_pages) {
        page->Deactivate();
        page->SetObjects(0, nullptr);
        page->Release();
    }
    m_pages.clear();
    m_tabs->clear();
}

void CPropertyFrame::ApplyAll() {
    for (IPropertyPage* page : m_pages)
        page->Apply();
    UpdateApply();
}

void CPropertyFrame::UpdateApply() {
    bool dirty = false;
    for (IPropertyPage* page : m_pages)
        dirty = dirty || page->IsPageDirty() == S_OK;
    m_apply->setEnabled(dirty);
}

}  // namespace dshow
