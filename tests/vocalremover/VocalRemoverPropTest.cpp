// The property page on Qt's offscreen platform: set-up, the slider rule, and the frame.
#include <string>
#include <vector>

#include <QApplication>
#include <QSlider>
#include <QTabWidget>
#include <gtest/gtest.h>

#include "platform/dshow/ui/PropertyFrame.h"
#include "tests/support/TestApplication.h"
#include "vocalremover/Resource.h"
#include "vocalremover/VocalRemover.h"
#include "vocalremover/VocalRemoverProp.h"

using namespace dshow;
using namespace skellan;

namespace {

// A parameter interface that logs every call, to see exactly what the page sends.
class CRecordingParams final : public IVocalRemover {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IVocalRemover) {
            *ppv = static_cast<IVocalRemover*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT get_Level(int* p) override { return *p = level, S_OK; }
    HRESULT put_Level(int v) override { return Log("L", level = v); }
    HRESULT put_Balance(int v) override { return Log("B", balance = v); }
    HRESULT get_Balance(int* p) override { return *p = balance, S_OK; }
    HRESULT put_Gain(int v) override { return Log("G", gain = v); }
    HRESULT get_Gain(int* p) override { return *p = gain, S_OK; }

    HRESULT Log(const char* what, int v) {
        calls.push_back(what + std::to_string(v));
        return S_OK;
    }
    ULONG refs = 1;
    int level = 100, balance = 50, gain = 100;
    std::vector<std::string> calls;
};

// An object that has no parameter interface.
class CPlainObject final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
};

class PropertyPage : public testing::Test {
protected:
    static void SetUpTestSuite() { TestApplication(); }

    void SetUp() override {
        HRESULT hr = S_OK;
        m_object = CVocalRemoverProp::CreateInstance(nullptr, &hr);
        ASSERT_NE(m_object, nullptr);
        m_object->NonDelegatingAddRef();
        m_object->NonDelegatingQueryInterface(IID_IPropertyPage, reinterpret_cast<void**>(&m_page));
        m_base = dynamic_cast<CBasePropertyPage*>(m_object);
    }
    void TearDown() override {
        m_page->Release();
        m_object->NonDelegatingRelease();
    }

    void Open(IUnknown* object) {
        ASSERT_EQ(m_page->SetObjects(1, &object), S_OK);
        ASSERT_EQ(m_page->Activate(&m_parent, QRect(0, 0, 300, 200), FALSE), S_OK);
    }
    void Close() {
        EXPECT_EQ(m_page->Deactivate(), S_OK);
        EXPECT_EQ(m_page->SetObjects(0, nullptr), S_OK);
    }
    QSlider* Slider(int id) const {
        return qobject_cast<QSlider*>(GetDlgItem(m_base->Dialog(), id));
    }

    QWidget m_parent;
    CUnknown* m_object = nullptr;
    IPropertyPage* m_page = nullptr;
    CBasePropertyPage* m_base = nullptr;
};

}  // namespace

TEST_F(PropertyPage, OpensOnAFreshFilterWithItsValuesRangesAndTicks) {
    HRESULT hr = S_OK;
    CUnknown* filter = CVocalRemover::CreateInstance(nullptr, &hr);
    filter->NonDelegatingAddRef();
    IUnknown* unknown = nullptr;
    filter->NonDelegatingQueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown));
    Open(unknown);
    struct Expect {
        int id, min, max, tick, pos;
    };
    for (const Expect& e : {Expect{IDC_LEVEL, 0, 100, 10, 100}, Expect{IDC_BALANCE, 0, 100, 10, 50},
                            Expect{IDC_GAIN, 0, 300, 25, 100}}) {
        QSlider* slider = Slider(e.id);
        ASSERT_NE(slider, nullptr) << e.id;
        EXPECT_EQ(slider->minimum(), e.min) << e.id;
        EXPECT_EQ(slider->maximum(), e.max) << e.id;
        EXPECT_EQ(slider->tickInterval(), e.tick) << e.id;
        EXPECT_EQ(slider->tickPosition(), QSlider::TicksBothSides);
        EXPECT_EQ(slider->orientation(), Qt::Horizontal);
        EXPECT_EQ(slider->value(), e.pos) << e.id;
    }
    // A movement reaches the real filter at once.
    Slider(IDC_LEVEL)->setValue(40);
    IVocalRemover* params = nullptr;
    unknown->QueryInterface(IID_IVocalRemover, reinterpret_cast<void**>(&params));
    int level = 0;
    params->get_Level(&level);
    EXPECT_EQ(level, 40);
    params->Release();
    Close();
    unknown->Release();
    filter->NonDelegatingRelease();
}

TEST_F(PropertyPage, EveryMovementSendsAllThreeCopiesInOrder) {
    CRecordingParams params;
    Open(&params);
    EXPECT_TRUE(params.calls.empty()) << "setting the positions sends nothing";
    QSlider* gain = Slider(IDC_GAIN);
    for (int v = 125; v <= 300; v += 25)
        gain->setValue(v);  // a drag reported in steps
    ASSERT_EQ(params.calls.size(), 8u * 3);
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(params.calls[3 * i], "L100");
        EXPECT_EQ(params.calls[3 * i + 1], "B50");
        EXPECT_EQ(params.calls[3 * i + 2], "G" + std::to_string(125 + 25 * i));
    }
    params.calls.clear();
    Slider(IDC_BALANCE)->triggerAction(QAbstractSlider::SliderPageStepAdd);  // keyboard / page
    EXPECT_EQ(params.calls, (std::vector<std::string>{"L100", "B60", "G300"}));
    Close();
    EXPECT_EQ(params.refs, 1u) << "the page let go of the filter";
}

TEST_F(PropertyPage, OverwritesChangesMadeElsewhereAndKeepsOutOfRangeCopies) {
    CRecordingParams params;
    params.gain = 400;  // e.g. loaded from a saved graph
    Open(&params);
    EXPECT_EQ(Slider(IDC_GAIN)->value(), 300) << "the thumb sits at the end of the range";
    params.level = 5;  // another client; the page does not show it
    EXPECT_EQ(Slider(IDC_LEVEL)->value(), 100);
    Slider(IDC_BALANCE)->setValue(20);
    EXPECT_EQ(params.calls, (std::vector<std::string>{"L100", "B20", "G400"}));
    params.calls.clear();
    Slider(IDC_GAIN)->setValue(250);
    EXPECT_EQ(params.calls, (std::vector<std::string>{"L100", "B20", "G250"}));
    Close();
}

TEST_F(PropertyPage, ReactivationShowsTheValuesAtSwitchingAway) {
    CRecordingParams params;
    Open(&params);
    params.balance = 70;
    ASSERT_EQ(m_page->Deactivate(), S_OK);
    params.balance = 90;  // after switching away: not shown
    ASSERT_EQ(m_page->Activate(&m_parent, QRect(0, 0, 300, 200), FALSE), S_OK);
    EXPECT_EQ(Slider(IDC_BALANCE)->value(), 70);
    Close();
}

TEST_F(PropertyPage, ConnectsOnlyToObjectsWithTheParameterInterface) {
    CPlainObject plain;
    IUnknown* object = &plain;
    EXPECT_EQ(m_page->SetObjects(1, &object), E_NOINTERFACE);
    IUnknown* none = nullptr;
    EXPECT_EQ(m_page->SetObjects(1, &none), E_POINTER);
    EXPECT_EQ(m_page->SetObjects(0, nullptr), E_UNEXPECTED) << "nothing held to release";
    EXPECT_EQ(m_page->Deactivate(), E_UNEXPECTED) << "not active";
}

TEST_F(PropertyPage, ReportsItsTitleAndSizeAndIsNeverDirty) {
    PROPPAGEINFO info;
    ASSERT_EQ(m_page->GetPageInfo(&info), S_OK);
    EXPECT_EQ(info.pszTitle, QStringLiteral("Skellan"));
    QWidget* dialog = CreateVocalRemoverDialog(nullptr);
    EXPECT_EQ(info.size, DialogUnitsToPixels(dialog, QRect(0, 0, 160, 82)).size());
    EXPECT_GT(info.size.width(), info.size.height()) << "160 x 82 units is wider than tall";
    delete dialog;
    CRecordingParams params;
    Open(&params);
    Slider(IDC_LEVEL)->setValue(10);
    EXPECT_EQ(m_page->IsPageDirty(), S_FALSE);
    EXPECT_EQ(m_page->Apply(), S_OK);
    Close();
}

TEST_F(PropertyPage, FrameShowsTheFilterPageInATab) {
    HRESULT hr = S_OK;
    CUnknown* filter = CVocalRemover::CreateInstance(nullptr, &hr);
    filter->NonDelegatingAddRef();
    IUnknown* unknown = nullptr;
    filter->NonDelegatingQueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown));
    {
        CPropertyFrame frame(QStringLiteral("Skellan Properties"));
        const auto create = [](REFCLSID clsid, IPropertyPage** page) -> HRESULT {
            if (clsid != CLSID_VocalRemoverProp)
                return CLASS_E_CLASSNOTAVAILABLE;
            HRESULT result = S_OK;
            CUnknown* made = CVocalRemoverProp::CreateInstance(nullptr, &result);
            made->NonDelegatingAddRef();
            result = made->NonDelegatingQueryInterface(IID_IPropertyPage,
                                                       reinterpret_cast<void**>(page));
            made->NonDelegatingRelease();
            return result;
        };
        ASSERT_EQ(frame.ShowObjectPages(unknown, create), S_OK);
        ASSERT_EQ(frame.PageCount(), 1);
        auto* tabs = frame.findChild<QTabWidget*>();
        ASSERT_NE(tabs, nullptr);
        EXPECT_EQ(tabs->tabText(0), QStringLiteral("Skellan"));
        frame.ClosePages();
        EXPECT_EQ(frame.PageCount(), 0);
    }
    EXPECT_EQ(unknown->Release(), 1u) << "the frame and its page let go of the filter";
    filter->NonDelegatingRelease();
}
