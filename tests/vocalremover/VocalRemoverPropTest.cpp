// The property page on Qt's offscreen platform: set-up, the slider rule, and the frame.
#include <functional>
#include <string>
#include <vector>

#include <QApplication>
#include <QPointer>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/com/MemoryStream.h"
#include "platform/dshow/ui/PropertyFrame.h"
#include "tests/support/TestApplication.h"
#include "tests/vocalremover/FilterHarness.h"
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
    // Moves the thumb as dragging it with the mouse does, one reported position.
    static void Drag(QSlider* slider, int value) { slider->setSliderPosition(value); }
    // The middle of the thumb, where a click grabs it.
    static QPoint Thumb(const QSlider* slider) {
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = slider->orientation();
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        option.sliderPosition = slider->sliderPosition();
        option.tickPosition = slider->tickPosition();
        option.upsideDown = slider->invertedAppearance() != (option.direction == Qt::RightToLeft);
        return slider->style()
            ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider)
            .center();
    }

    QWidget m_parent;
    CUnknown* m_object = nullptr;
    IPropertyPage* m_page = nullptr;
    CBasePropertyPage* m_base = nullptr;
};

}  // namespace

TEST_F(PropertyPage, OpensOnAFreshFilterWithItsValuesRangesAndTicks) {
    test::Filter filter;
    Open(filter.vr);
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
    Drag(Slider(IDC_LEVEL), 40);
    int level = 0;
    filter.vr->get_Level(&level);
    EXPECT_EQ(level, 40);
    Close();
}

TEST_F(PropertyPage, OverwritesChangesMadeElsewhereAndShowsTheValuesAtSwitchingAway) {
    CRecordingParams params;
    params.gain = 400;  // e.g. loaded from a saved graph
    Open(&params);
    EXPECT_EQ(Slider(IDC_GAIN)->value(), 300) << "the thumb sits at the end of the range";
    params.level = 5;  // another client; the page does not show it
    EXPECT_EQ(Slider(IDC_LEVEL)->value(), 100);
    Drag(Slider(IDC_BALANCE), 20);
    EXPECT_EQ(params.calls, (std::vector<std::string>{"L100", "B20", "G400"}));
    params.calls.clear();
    Drag(Slider(IDC_GAIN), 250);
    EXPECT_EQ(params.calls, (std::vector<std::string>{"L100", "B20", "G250"}));
    // Coming back shows the values at switching away, not later ones.
    params.balance = 70;
    ASSERT_EQ(m_page->Deactivate(), S_OK);
    params.balance = 90;
    ASSERT_EQ(m_page->Activate(&m_parent, QRect(0, 0, 300, 200), FALSE), S_OK);
    EXPECT_EQ(Slider(IDC_BALANCE)->value(), 70);
    Close();
}

TEST_F(PropertyPage, ConnectsOnlyToObjectsWithTheParameterInterface) {
    IUnknown* plain = new com::CMemoryStream();  // has no parameter interface
    EXPECT_EQ(m_page->SetObjects(1, &plain), E_NOINTERFACE);
    plain->Release();
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
    Drag(Slider(IDC_LEVEL), 10);
    EXPECT_EQ(m_page->IsPageDirty(), S_FALSE);
    EXPECT_EQ(m_page->Apply(), S_OK);
    Close();
}

TEST_F(PropertyPage, FrameShowsTheFilterPageInATab) {
    test::Filter filter;
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
        ASSERT_EQ(frame.ShowObjectPages(filter.vr, create), S_OK);
        ASSERT_EQ(frame.PageCount(), 1);
        auto* tabs = frame.findChild<QTabWidget*>();
        ASSERT_NE(tabs, nullptr);
        EXPECT_EQ(tabs->tabText(0), QStringLiteral("Skellan"));
        frame.ClosePages();
        EXPECT_EQ(frame.PageCount(), 0);
    }
    filter.vr->AddRef();
    EXPECT_EQ(filter.vr->Release(), 4u) << "only the test's own four references are left";
}

TEST_F(PropertyPage, EveryTrackbarNotificationResendsAllThree) {
    using Calls = std::vector<std::string>;
    const Calls kUnchanged{"L100", "B50", "G100"};
    struct Case {
        const char* what;
        int id;
        std::function<void(QSlider*)> act;
        Calls expected;
    };
    const auto key = [](Qt::Key k) { return [k](QSlider* s) { QTest::keyClick(s, k); }; };
    Calls steps;  // a drag reported in steps: every one sends all three, in order
    for (int v = 125; v <= 300; v += 25)
        steps.insert(steps.end(), {"L100", "B50", "G" + std::to_string(v)});
    const Case cases[] = {
        {"a drag reported in steps", IDC_GAIN,
         [](QSlider* s) {
             for (int v = 125; v <= 300; v += 25)
                 Drag(s, v);
         },
         steps},
        // Letting go of the thumb is a position and an end of tracking.
        {"a click on the thumb without moving it",
         IDC_GAIN,
         [](QSlider* s) { QTest::mouseClick(s, Qt::LeftButton, {}, Thumb(s)); },
         {"L100", "B50", "G100", "L100", "B50", "G100"}},
        {"Right with the thumb already at the end", IDC_LEVEL, key(Qt::Key_Right), kUnchanged},
        {"Left", IDC_LEVEL, key(Qt::Key_Left), {"L99", "B50", "G100"}},
        {"Home", IDC_BALANCE, key(Qt::Key_Home), {"L100", "B0", "G100"}},
        {"End", IDC_GAIN, key(Qt::Key_End), {"L100", "B50", "G300"}},
        {"Page Down", IDC_BALANCE, key(Qt::Key_PageDown), {"L100", "B40", "G100"}},
        {"a page step",
         IDC_BALANCE,
         [](QSlider* s) { s->triggerAction(QAbstractSlider::SliderPageStepAdd); },
         {"L100", "B60", "G100"}},
        {"a position set by the program", IDC_GAIN, [](QSlider* s) { s->setValue(200); }, {}},
    };
    for (const Case& c : cases) {
        CRecordingParams params;
        Open(&params);
        EXPECT_TRUE(params.calls.empty()) << "setting the positions sends nothing";
        c.act(Slider(c.id));
        EXPECT_EQ(params.calls, c.expected) << c.what;
        Close();
        EXPECT_EQ(params.refs, 1u) << c.what << ": the page let go of the filter";
    }
}

TEST_F(PropertyPage, AMouseDragSendsEveryPositionAndItsEnd) {
    using Calls = std::vector<std::string>;
    CRecordingParams params;
    Open(&params);
    QSlider* balance = Slider(IDC_BALANCE);
    const QPoint from = Thumb(balance);
    QTest::mousePress(balance, Qt::LeftButton, {}, from);
    for (int dx = 4; dx <= 40; dx += 4)
        QTest::mouseMove(balance, from + QPoint(dx, 0));
    QTest::mouseRelease(balance, Qt::LeftButton, {}, from + QPoint(40, 0));
    ASSERT_GT(balance->value(), 50);
    ASSERT_GE(params.calls.size(), 3u * 3) << "at least one position, then the end";
    ASSERT_EQ(params.calls.size() % 3, 0u);
    int last = 50;
    for (size_t i = 0; i < params.calls.size(); i += 3) {
        EXPECT_EQ(params.calls[i], "L100");
        EXPECT_EQ(params.calls[i + 2], "G100");
        const int sent = std::stoi(params.calls[i + 1].substr(1));
        EXPECT_GE(sent, last) << "moving right only";
        last = sent;
    }
    EXPECT_EQ(last, balance->value());
    const Calls end(params.calls.end() - 6, params.calls.end());
    EXPECT_EQ(Calls(end.begin(), end.begin() + 3), Calls(end.begin() + 3, end.end()))
        << "the release sends the final position twice";
    Close();
}

TEST_F(PropertyPage, LetsGoOfItsControlsHoweverTheWindowGoes) {
    struct Case {
        const char* what;
        std::function<void(QWidget* host, QWidget* dialog)> destroy;
    };
    const Case cases[] = {
        {"the host deletes the parent", [](QWidget* host, QWidget*) { delete host; }},
        {"the host deletes the page's window", [](QWidget*, QWidget* dialog) { delete dialog; }},
        {"the window is deleted later",
         [](QWidget*, QWidget* dialog) {
             dialog->deleteLater();
             QCoreApplication::sendPostedEvents(dialog, QEvent::DeferredDelete);
         }},
    };
    for (const Case& c : cases) {
        CRecordingParams params;
        IUnknown* object = &params;
        ASSERT_EQ(m_page->SetObjects(1, &object), S_OK);
        QPointer<QWidget> host = new QWidget;
        ASSERT_EQ(m_page->Activate(host, QRect(0, 0, 300, 200), FALSE), S_OK) << c.what;
        c.destroy(host, m_base->Dialog());
        EXPECT_EQ(m_base->Dialog(), nullptr) << c.what;
        EXPECT_EQ(m_page->Activate(&m_parent, QRect(0, 0, 300, 200), FALSE), E_UNEXPECTED)
            << c.what << ": still active until deactivated";
        EXPECT_EQ(m_page->Show(TRUE), E_UNEXPECTED) << c.what << ": no window to show";
        params.gain = 250;
        EXPECT_EQ(m_page->Deactivate(), S_OK) << c.what;
        params.gain = 10;  // after switching away: not shown
        ASSERT_EQ(m_page->Activate(&m_parent, QRect(0, 0, 300, 200), FALSE), S_OK) << c.what;
        EXPECT_EQ(Slider(IDC_GAIN)->value(), 250) << c.what;
        Drag(Slider(IDC_LEVEL), 30);
        EXPECT_EQ(params.calls, (std::vector<std::string>{"L30", "B50", "G250"})) << c.what;
        Close();
        delete host;
    }
}
