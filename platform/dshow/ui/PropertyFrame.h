// CPropertyFrame: a dialog that shows the property pages of one object in tabs.
#pragma once

#include <functional>
#include <vector>

#include <QDialog>

#include "platform/dshow/ui/PropertyPage.h"

class QTabWidget;
class QPushButton;

namespace dshow {

class CPropertyFrame : public QDialog {
    Q_OBJECT
public:
    // Makes the page of a class; the page comes with one reference for the frame.
    using PageCreator = std::function<HRESULT(REFCLSID, IPropertyPage**)>;
    // Creates pages through CoCreateInstance (the registry store).
    static PageCreator RegistryPageCreator();

    explicit CPropertyFrame(const QString& caption, QWidget* parent = nullptr);
    ~CPropertyFrame() override;

    // Asks the object for its pages (ISpecifyPropertyPages), makes each, connects it to
    // the object and activates it in its own tab. Fails without showing anything when the
    // object names no pages or a page cannot be made or connected.
    HRESULT ShowObjectPages(IUnknown* object, const PageCreator& create);
    int PageCount() const { return static_cast<int>(m_pages.size()); }
    IPropertyPage* Page(int n) const { return m_pages.at(static_cast<size_t>(n)); }
    // Deactivates, disconnects and releases every page.
    void ClosePages();

private:
    void ApplyAll();
    void UpdateApply();

    QTabWidget* m_tabs;
    QPushButton* m_apply;
    std::vector<IPropertyPage*> m_pages;  // counted references
};

}  // namespace dshow
