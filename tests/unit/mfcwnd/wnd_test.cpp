// Message maps, the handle map, subclassing on creation, command routing,
// colour requests and the reflection of drawing and colours to controls.
#include <thread>
#include <tuple>

#include "mfctest.h"

void AfxDeleteTempWindows();

using namespace mfctest;

BEGIN_MESSAGE_MAP(mfctest::DrawnButton, CButton)
ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

namespace {

constexpr UINT ID_BUTTON = 10;
constexpr UINT ID_DRAWN = 11;
constexpr UINT ID_LABEL = 12;
constexpr UINT ID_TOOL = 200;

class BaseWnd : public CWnd {
public:
    int baseApp = 0;
    int baseDowns = 0;
    CPoint downAt;

    afx_msg LRESULT OnApp(WPARAM, LPARAM) {
        ++baseApp;
        return 1;
    }
    afx_msg void OnLButtonDown(UINT, CPoint point) {
        ++baseDowns;
        downAt = point;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(BaseWnd, CWnd)
ON_MESSAGE(WM_APP, &BaseWnd::OnApp)
ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

class Frame : public BaseWnd {
public:
    bool attachedInCreate = false;
    int clicks = 0;
    int tools = 0;
    int paints = 0;
    std::vector<UINT> colourKinds;
    std::vector<CWnd*> colourWnds;

    BOOL Make() { return CreateEx(0, kPlainClass, u"Frame", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr); }
    afx_msg int OnCreate(LPCREATESTRUCT cs) {
        attachedInCreate = m_hWnd != nullptr && CWnd::FromHandlePermanent(m_hWnd) == this;
        return CWnd::OnCreate(cs);
    }
    afx_msg LRESULT OnDerivedApp(WPARAM, LPARAM) { return 2; }
    afx_msg void OnButton() { ++clicks; }
    afx_msg void OnTool() { ++tools; }
    afx_msg void OnPaint() {
        ++paints;
        CPaintDC dc(this);
        CRect rc;
        GetClientRect(&rc);
        dc.FillSolidRect(&rc, RGB(0, 0, 128));
    }
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
        colourKinds.push_back(nCtlColor);
        colourWnds.push_back(pWnd);
        return CWnd::OnCtlColor(pDC, pWnd, nCtlColor);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Frame, BaseWnd)
ON_WM_CREATE()
ON_MESSAGE(WM_APP, &Frame::OnDerivedApp)
ON_BN_CLICKED(ID_BUTTON, &Frame::OnButton)
ON_COMMAND(ID_TOOL, &Frame::OnTool)
ON_WM_PAINT()
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

// A parent without a colour handler of its own: requests go straight to the
// control's reflection.
class PlainParent : public CWnd {
public:
    BOOL Make() { return CreateEx(0, kPlainClass, u"Parent", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr); }
};

class ColourStatic : public CStatic {
public:
    HBRUSH brush = nullptr;
    std::vector<UINT> kinds;
    afx_msg HBRUSH CtlColor(CDC* pDC, UINT nCtlColor) {
        kinds.push_back(nCtlColor);
        if (brush) pDC->SetTextColor(RGB(255, 255, 0));
        return brush;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ColourStatic, CStatic)
ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

using MessageMapTest = WindowTest;
using ReflectionTest = WindowTest;
using HandleMapTest = WindowTest;

TEST_F(MessageMapTest, DerivedEntryWinsBaseEntriesServeUnmappedGoToDefaultCommandsRouteByIdAndCode) {
    Frame frame;
    ASSERT_TRUE(frame.Make());
    EXPECT_TRUE(frame.attachedInCreate) << "the object is attached before WM_CREATE";

    EXPECT_EQ(frame.SendMessage(WM_APP), 2);
    EXPECT_EQ(frame.baseApp, 0);

    frame.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(-3, 17));
    EXPECT_EQ(frame.baseDowns, 1);
    EXPECT_EQ(frame.downAt, CPoint(-3, 17)) << "coordinates are signed";

    // No entry: the default procedure keeps the text.
    frame.SetWindowText(u"Renamed");
    CString text;
    frame.GetWindowText(text);
    EXPECT_EQ(Str(text), u"Renamed");

    // The paint handler validates through CPaintDC: one paint, not a storm.
    frame.Invalidate();
    frame.UpdateWindow();
    Pump();
    EXPECT_EQ(frame.paints, 1);

    // Commands route by control id and notification code.
    CButton button;
    ASSERT_TRUE(button.Create(u"Go", WS_VISIBLE | BS_PUSHBUTTON, CRect(10, 10, 110, 50), &frame, ID_BUTTON));
    EXPECT_EQ(CWnd::FromHandlePermanent(button.m_hWnd), &button);
    Pump();

    Press(button);
    Release(button);
    Pump();
    EXPECT_EQ(frame.clicks, 1);

    // Menus (code 0) and accelerators (code 1) reach the same command entry.
    frame.SendMessage(WM_COMMAND, MAKEWPARAM(ID_TOOL, 0), 0);
    frame.SendMessage(WM_COMMAND, MAKEWPARAM(ID_TOOL, 1), 0);
    EXPECT_EQ(frame.tools, 2);
    frame.SendMessage(WM_COMMAND, MAKEWPARAM(ID_TOOL + 1, 0), 0);
    EXPECT_EQ(frame.tools, 2);

    HWND h = frame.m_hWnd;
    ASSERT_TRUE(frame.DestroyWindow());
    EXPECT_EQ(frame.m_hWnd, nullptr) << "detached at WM_NCDESTROY";
    EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
    EXPECT_EQ(button.m_hWnd, nullptr) << "the child is detached with its parent";
}

TEST_F(ReflectionTest, ColourRequestsReachTheParentHandlerAndTheControl) {
    Frame frame;
    ASSERT_TRUE(frame.Make());
    ColourStatic label;
    ASSERT_TRUE(label.Create(u"Label", WS_VISIBLE | SS_LEFT, CRect(10, 10, 110, 30), &frame, ID_LABEL));
    CBrush brush(RGB(0, 128, 0));
    label.brush = static_cast<HBRUSH>(brush.GetSafeHandle());

    label.Invalidate();
    label.UpdateWindow();
    ASSERT_FALSE(frame.colourKinds.empty());
    EXPECT_EQ(frame.colourKinds.back(), static_cast<UINT>(CTLCOLOR_STATIC));
    EXPECT_EQ(frame.colourWnds.back(), &label) << "the control's own object, not a temporary";
    ASSERT_FALSE(label.kinds.empty()) << "the parent's handler passes the request on to the control";
    EXPECT_EQ(label.kinds.back(), static_cast<UINT>(CTLCOLOR_STATIC));

    // The brush the control answered with is what the painting uses.
    HDC dc = ::GetDC(label);
    LRESULT r =
        frame.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label.m_hWnd));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(r), label.brush);
    EXPECT_EQ(::GetTextColor(dc), RGB(255, 255, 0));
    ::ReleaseDC(label, dc);
    frame.DestroyWindow();
}

TEST_F(ReflectionTest, ControlWithoutABrushGetsTheDefaultsAndOwnerDrawnButtonsDrawThemselves) {
    PlainParent parent;
    ASSERT_TRUE(parent.Make());
    ColourStatic label;
    ASSERT_TRUE(label.Create(u"Label", WS_VISIBLE | SS_LEFT, CRect(10, 10, 110, 30), &parent, ID_LABEL));
    HDC dc = ::GetDC(label);
    auto ask = [&] {
        return reinterpret_cast<HBRUSH>(parent.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                           reinterpret_cast<LPARAM>(label.m_hWnd)));
    };

    label.brush = nullptr;
    EXPECT_EQ(ask(), GetSysColorBrush(COLOR_STATIC));
    EXPECT_EQ(::GetTextColor(dc), GetSysColor(COLOR_STATICTEXT));
    ASSERT_EQ(label.kinds.size(), 1u);

    CBrush brush(RGB(200, 0, 0));
    label.brush = static_cast<HBRUSH>(brush.GetSafeHandle());
    EXPECT_EQ(ask(), label.brush);
    ::ReleaseDC(label, dc);

    // An owner-drawn button draws itself (pressed and released: the dialog's
    // template control).
    DrawnButton button;
    ASSERT_TRUE(button.Create(u"", WS_VISIBLE | BS_OWNERDRAW, CRect(20, 20, 120, 60), &parent, ID_DRAWN));
    Pump();
    ASSERT_FALSE(button.drawn.empty()) << "WM_DRAWITEM to the parent reaches the button object";
    const DRAWITEMSTRUCT& first = button.drawn.front();
    EXPECT_EQ(std::tuple(first.CtlType, first.CtlID, first.hwndItem),
              std::tuple(UINT{ODT_BUTTON}, ID_DRAWN, button.m_hWnd));
    EXPECT_EQ(CRect(first.rcItem), CRect(0, 0, 100, 40));
    EXPECT_FALSE(first.itemState & ODS_SELECTED);
    parent.DestroyWindow();
}

TEST_F(HandleMapTest, FromHandleGivesPermanentOrTemporaryObjectsAndSubclassingRoutesThroughTheObject) {
    EXPECT_EQ(CWnd::FromHandle(nullptr), nullptr);

    PlainParent parent;
    ASSERT_TRUE(parent.Make());
    EXPECT_EQ(CWnd::FromHandle(parent.m_hWnd), &parent);

    HWND raw =
        CreateWindowEx(0, kPlainClass, u"Raw", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, parent, nullptr, nullptr, nullptr);
    ASSERT_TRUE(raw);
    EXPECT_EQ(CWnd::FromHandlePermanent(raw), nullptr);
    CWnd* temp = CWnd::FromHandle(raw);
    ASSERT_NE(temp, nullptr);
    EXPECT_EQ(temp->m_hWnd, raw);
    EXPECT_EQ(CWnd::FromHandle(raw), temp) << "the same temporary until the thread is idle";
    EXPECT_EQ(temp->GetParent(), &parent);

    // Dropping the temporaries leaves the window alone.
    AfxDeleteTempWindows();
    EXPECT_TRUE(IsWindow(raw));

    // A worker thread's temporaries die with the thread, again without
    // touching the window.
    std::thread([raw] { EXPECT_EQ(CWnd::FromHandle(raw)->m_hWnd, raw); }).join();
    EXPECT_TRUE(IsWindow(raw));

    // Attaching makes the object permanent; detaching hands the window back.
    CWnd attached;
    ASSERT_TRUE(attached.Attach(raw));
    EXPECT_FALSE(attached.Attach(raw)) << "one window per object";
    EXPECT_EQ(CWnd::FromHandle(raw), &attached);
    EXPECT_EQ(attached.Detach(), raw);
    EXPECT_EQ(CWnd::FromHandlePermanent(raw), nullptr);
    EXPECT_TRUE(IsWindow(raw));
    DestroyWindow(raw);

    // Subclassing routes through the object until it is undone.
    raw = CreateWindowEx(0, u"BUTTON", u"Raw", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0, 50, 50, parent,
                         reinterpret_cast<HMENU>(static_cast<UINT_PTR>(ID_DRAWN)), nullptr, nullptr);
    ASSERT_TRUE(raw);
    WNDPROC original = reinterpret_cast<WNDPROC>(GetWindowLongPtr(raw, GWLP_WNDPROC));
    {
        DrawnButton button;
        ASSERT_TRUE(button.SubclassDlgItem(ID_DRAWN, &parent));
        EXPECT_EQ(button.subclassed, 1);
        EXPECT_EQ(button.hwndAtSubclass, raw) << "PreSubclassWindow runs with the window attached";
        button.Invalidate();
        button.UpdateWindow();
        EXPECT_FALSE(button.drawn.empty());
        EXPECT_EQ(button.UnsubclassWindow(), raw);
        EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtr(raw, GWLP_WNDPROC)), original);
    }
    EXPECT_TRUE(IsWindow(raw)) << "an unsubclassed window outlives the object";
    {
        // An object that dies still subclassed takes its window down with
        // it rather than leave it pointing at freed memory.
        DrawnButton button;
        ASSERT_TRUE(button.SubclassWindow(raw));
    }
    EXPECT_FALSE(IsWindow(raw));
    parent.DestroyWindow();
}

}  // namespace
