// Modal dialogs from the test's own templates: initialisation, Enter and
// Escape, data exchange, subclassed template controls; and the
// application object's entry and loop.
#include "mfctest.h"
#include "mfcwnd_res.h"

using namespace mfctest;

namespace {

class InnerDialog : public CDialog {
public:
    explicit InnerDialog(CWnd* pParent) : CDialog(IDD_INNER, pParent) {}
};

class FormDialog : public CDialog {
public:
    FormDialog() : CDialog(IDD_FORM) {}

    CString label = u"hello";
    int number = 42;
    int check = 1;
    int radio = 2;
    DrawnButton drawn;

    bool controlsAtInit = false;
    bool drawnAttachedAtInit = false;
    int endInInit = 0;  // ends the dialog from OnInitDialog when set
    int drawnClicks = 0;

    BOOL OnInitDialog() override {
        controlsAtInit = ::GetDlgItem(m_hWnd, IDC_RADIO_C) && ::GetDlgItem(m_hWnd, IDOK);
        BOOL r = CDialog::OnInitDialog();
        drawnAttachedAtInit = drawn.m_hWnd == ::GetDlgItem(m_hWnd, IDC_DRAWN);
        if (endInInit) EndDialog(endInInit);
        return r;
    }
    afx_msg void OnDrawn() { ++drawnClicks; }

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Control(pDX, IDC_DRAWN, drawn);
        DDX_Text(pDX, IDC_LABEL, label);
        DDX_Text(pDX, IDC_NUMBER, number);
        DDX_Check(pDX, IDC_CHECK, check);
        DDX_Radio(pDX, IDC_RADIO_A, radio);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(FormDialog, CDialog)
ON_BN_CLICKED(IDC_DRAWN, &FormDialog::OnDrawn)
END_MESSAGE_MAP()

HWND Item(CDialog& dlg, int id) {
    return ::GetDlgItem(dlg.m_hWnd, id);
}
CString Text(HWND h) {
    CString s;
    CWnd::FromHandle(h)->GetWindowText(s);
    return s;
}
LRESULT Checked(HWND h) {
    return ::SendMessage(h, BM_GETCHECK, 0, 0);
}

// Enter from a control that is not a push button.
void Enter(CDialog& dlg) {
    ::SetFocus(Item(dlg, IDC_CHECK));
    Key(VK_RETURN);
}

using ModalTest = WindowTest;
using DataExchangeTest = WindowTest;
using AppTest = WindowTest;

TEST_F(ModalTest, EscapeCancelsWithoutSavingEnterSavesTheControlsAndEndsWithOk) {
    FormDialog dlg;
    WhenIdle({[&] { ::SetWindowText(Item(dlg, IDC_NUMBER), u"9"); }, [&] { Key(VK_ESCAPE); }});
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.number, 42);

    WhenIdle({[&] {
                  ASSERT_TRUE(dlg.m_hWnd);
                  EXPECT_TRUE(::IsWindowVisible(dlg.m_hWnd));
                  EXPECT_EQ(Str(Text(Item(dlg, IDC_LABEL))), u"hello");
                  EXPECT_EQ(Str(Text(Item(dlg, IDC_NUMBER))), u"42");
                  EXPECT_EQ(Checked(Item(dlg, IDC_CHECK)), BST_CHECKED);
                  EXPECT_EQ(Checked(Item(dlg, IDC_RADIO_A)), BST_UNCHECKED);
                  EXPECT_EQ(Checked(Item(dlg, IDC_RADIO_C)), BST_CHECKED);
                  ::SetWindowText(Item(dlg, IDC_LABEL), u"world");
                  ::SetWindowText(Item(dlg, IDC_NUMBER), u"-7 ");
                  ::SendMessage(Item(dlg, IDC_CHECK), BM_SETCHECK, BST_UNCHECKED, 0);
                  ::SendMessage(Item(dlg, IDC_RADIO_C), BM_SETCHECK, BST_UNCHECKED, 0);
                  ::SendMessage(Item(dlg, IDC_RADIO_B), BM_SETCHECK, BST_CHECKED, 0);
              },
              [&] { Enter(dlg); }});
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(dlg.controlsAtInit);
    EXPECT_EQ(Str(dlg.label), u"world");
    EXPECT_EQ(dlg.number, -7);
    EXPECT_EQ(dlg.check, 0);
    EXPECT_EQ(dlg.radio, 1);
    EXPECT_EQ(dlg.m_hWnd, nullptr);

    // A value beyond the radio group checks none of it, and none checked reads
    // -1; the box cleared before is checked now.
    dlg.radio = 5;
    WhenIdle({[&] {
                  for (int id : {IDC_RADIO_A, IDC_RADIO_B, IDC_RADIO_C})
                      EXPECT_EQ(Checked(Item(dlg, id)), BST_UNCHECKED);
                  ::SendMessage(Item(dlg, IDC_CHECK), BM_SETCHECK, BST_CHECKED, 0);
              },
              [&] { Enter(dlg); }});
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.radio, -1);
    EXPECT_EQ(dlg.check, 1);
}

TEST_F(ModalTest, EndingInOnInitDialogReturnsWithoutALoopAndMissingTemplateFails) {
    FormDialog dlg;
    dlg.endInInit = 7;
    EXPECT_EQ(dlg.DoModal(), 7);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(dlg.drawn.m_hWnd, nullptr);

    CDialog missing(IDD_MISSING);
    EXPECT_EQ(missing.DoModal(), -1);
}

TEST_F(DataExchangeTest, TemplateControlIsSubclassedWhileTheDialogLivesAndDetachedAfter) {
    FormDialog dlg;
    HWND drawnWnd = nullptr;
    auto pressAndEnd = [&] {
        WhenIdle({[&] {
                      drawnWnd = dlg.drawn.m_hWnd;
                      EXPECT_EQ(CWnd::FromHandlePermanent(drawnWnd), &dlg.drawn);
                      dlg.drawn.drawn.clear();
                      Press(drawnWnd);
                  },
                  [&] {
                      EXPECT_TRUE(dlg.drawn.DrawnSelected()) << "pressed: drawn selected";
                      Release(drawnWnd);
                  },
                  [&] { Enter(dlg); }});
    };
    pressAndEnd();
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(dlg.drawnAttachedAtInit);
    EXPECT_EQ(dlg.drawn.subclassed, 1);
    EXPECT_EQ(dlg.drawn.presses, 1);
    EXPECT_EQ(dlg.drawnClicks, 1) << "the click still reaches the dialog's map";
    ASSERT_FALSE(dlg.drawn.drawn.empty());
    EXPECT_FALSE(dlg.drawn.drawn.back().itemState & ODS_SELECTED);
    EXPECT_EQ(dlg.drawn.drawn.back().hwndItem, drawnWnd);
    EXPECT_EQ(dlg.drawn.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(drawnWnd), nullptr);
    EXPECT_FALSE(::IsWindow(drawnWnd));

    // The same objects run the dialog again on new windows.
    pressAndEnd();
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.drawn.subclassed, 2);
    EXPECT_EQ(dlg.drawn.presses, 2);
    EXPECT_EQ(dlg.drawnClicks, 2);
}

TEST_F(DataExchangeTest, BadNumberKeepsTheDialogOpen) {
    FormDialog dlg;
    bool openAfterFailure = false;
    HWND box = nullptr;
    WhenIdle({[&] {
                  ::SetWindowText(Item(dlg, IDC_NUMBER), u"4x");
                  Enter(dlg);
              },
              [&] {
                  // The complaint is up, owned by the dialog.
                  box = ::GetActiveWindow();
                  EXPECT_NE(box, dlg.m_hWnd);
                  EXPECT_EQ(::GetWindow(box, GW_OWNER), dlg.m_hWnd);
                  Key(VK_RETURN);
              },
              [&] {
                  openAfterFailure = ::IsWindow(dlg.m_hWnd) && !::IsWindow(box);
                  Key(VK_ESCAPE);
              }});
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(openAfterFailure);
    EXPECT_EQ(dlg.number, 42);
}

class TestApp : public CWinApp {
public:
    TestApp() : CWinApp(u"Test") {}
    bool runLoop = true;
    int exits = 0;
    CWnd main;
    INT_PTR modal = 0;
    bool mainEnabledInModal = true;

    BOOL InitInstance() override {
        if (!main.CreateEx(0, kPlainClass, u"Main", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200, nullptr, nullptr))
            return FALSE;
        m_pMainWnd = &main;
        // A dialog without a parent is owned by the main window.
        InnerDialog dlg(nullptr);
        WhenIdle({[&] {
            mainEnabledInModal = main.IsWindowEnabled();
            Key(VK_RETURN);
        }});
        modal = dlg.DoModal();
        if (!runLoop) {
            main.DestroyWindow();
            return FALSE;
        }
        ::PostQuitMessage(5);
        return TRUE;
    }
    int ExitInstance() override {
        ++exits;
        main.DestroyWindow();
        return runLoop ? 0 : 9;
    }
};

TEST_F(AppTest, WinMainRunsTheLoopUntilQuitAndReturnsItsCode) {
    TestApp app;
    EXPECT_EQ(AfxGetApp(), &app);
    EXPECT_EQ(AfxWinMain(), 5);
    EXPECT_EQ(app.exits, 1);
    EXPECT_EQ(app.modal, IDOK);
    EXPECT_FALSE(app.mainEnabledInModal);
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    EXPECT_EQ(app.m_hInstance, ::GetModuleHandle(nullptr));
}

TEST_F(AppTest, FailedInitInstanceReturnsTheExitCode) {
    TestApp app;
    app.runLoop = false;
    EXPECT_EQ(AfxWinMain(), 9);
    EXPECT_EQ(app.exits, 1);
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
}

}  // namespace
