// The brightness dialog.
//
// Two threads meet here: the UI thread (the dialog, the arrow buttons' press
// and release handlers, OK and Cancel) and the auto-repeat worker, which lives
// from the end of OnInitDialog until OK or Cancel stops it. They share only
// the three events, m_nDirection and m_nPressPending (interlocked) and
// m_nLevel, which the worker alone changes while it runs; the UI thread reads
// the level only after the worker has ended.
//
// The worker never waits for the UI thread. It posts each new level to the
// dialog (WM_BRIGHTNESS_SHOWLEVEL) instead of setting the bar and the number
// with sent messages: a sent message would wait for the UI thread, and the UI
// thread in StopRepeatThread is waiting for the worker, so OK or Cancel while
// a button is held would stall until the stop's time-out. Posted, a stop ends
// the worker within one driver request and one 1 ms pause. Levels still
// queued when the dialog ends are dropped with its window.
#include "brightness.h"

#include "../device/paneldriver.h"
#include "../device/settings.h"

#define DEFAULT_BRIGHTNESS_LEVEL 21
#define REPEAT_HOLDOFF_CHECKS 80
#define STOP_TIMEOUT_MS 5000

#define DIRECTION_UP 0
#define DIRECTION_DOWN 1

BEGIN_MESSAGE_MAP(CBrightness, CDialog)
ON_BN_CLICKED(IDOK, &CBrightness::OnBnClickedOk)
ON_BN_CLICKED(IDCANCEL, &CBrightness::OnBnClickedCancel)
ON_MESSAGE(WM_BRIGHTNESS_SHOWLEVEL, &CBrightness::OnShowLevel)
END_MESSAGE_MAP()

static BOOL IsSignalled(HANDLE hEvent) {
    return WaitForSingleObject(hEvent, 0) == WAIT_OBJECT_0;
}

CBrightness::CBrightness(CWnd* pParent)
    : CDialog(CBrightness::IDD, pParent),
      m_nLevel(DEFAULT_BRIGHTNESS_LEVEL),
      m_nOrigLevel(DEFAULT_BRIGHTNESS_LEVEL),
      m_hRepeatThread(NULL),
      m_hWakeEvent(NULL),
      m_hQuitEvent(NULL),
      m_hHeldEvent(NULL),
      m_nDirection(DIRECTION_UP),
      m_nPressPending(0) {}

CBrightness::~CBrightness() {
    // OK and Cancel stop the worker; should the dialog end any other way, it
    // is stopped here, before the object it works on goes away.
    StopRepeatThread();
}

void CBrightness::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_BRIGHTNESS_BAR, m_progress);
    DDX_Control(pDX, IDC_BRIGHTNESS_DEC, m_btnDec);
    DDX_Control(pDX, IDC_BRIGHTNESS_INC, m_btnInc);
}

BOOL CBrightness::OnInitDialog() {
    CDialog::OnInitDialog();

    m_btnInc.SetBitmap(IDB_BRIGHTER);
    m_btnInc.SetWindowPos(NULL, 0, 0, 48, 48, SWP_NOMOVE | SWP_NOZORDER);
    m_btnDec.SetBitmap(IDB_DARKER);
    m_btnDec.SetWindowPos(NULL, 0, 0, 48, 48, SWP_NOMOVE | SWP_NOZORDER);

    m_btnDec.SetPressHandler(this, OnDecPressed);
    m_btnDec.SetReleaseHandler(this, OnArrowReleased);
    m_btnInc.SetPressHandler(this, OnIncPressed);
    m_btnInc.SetReleaseHandler(this, OnArrowReleased);

    m_progress.SetRange(0, MAX_BRIGHTNESS_LEVEL);
    m_progress.SetStep(1);

    // The driver is taken to be at the stored level: nothing is sent here.
    DWORD dwLevel = DEFAULT_BRIGHTNESS_LEVEL;
    if (ReadBrightnessLevel(&dwLevel) && dwLevel > MAX_BRIGHTNESS_LEVEL) {
        dwLevel = MAX_BRIGHTNESS_LEVEL;
        WriteBrightnessLevel(dwLevel);
    }
    m_nLevel = dwLevel;
    m_nOrigLevel = dwLevel;
    ShowLevel(dwLevel);

    StartRepeatThread();
    return TRUE;
}

void CBrightness::ShowLevel(DWORD nLevel) {
    CString strLevel;
    strLevel.Format(_T("%d"), (int)nLevel);
    m_progress.SetPos((int)nLevel);
    SetDlgItemText(IDC_BRIGHTNESS_LEVEL, strLevel);
}

LRESULT CBrightness::OnShowLevel(WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    ShowLevel((DWORD)wParam);
    return 0;
}

// Worker thread: one step, the driver request sent also at a bound.
void CBrightness::StepDown() {
    if (m_nLevel != 0) m_nLevel--;
    StepBrightness(BRIGHTNESS_DARKER, 1);
    PostMessage(WM_BRIGHTNESS_SHOWLEVEL, (WPARAM)m_nLevel, 0);
}

void CBrightness::StepUp() {
    if (m_nLevel < MAX_BRIGHTNESS_LEVEL) m_nLevel++;
    StepBrightness(BRIGHTNESS_BRIGHTER, 1);
    PostMessage(WM_BRIGHTNESS_SHOWLEVEL, (WPARAM)m_nLevel, 0);
}

void CBrightness::Step() {
    if (InterlockedCompareExchange(&m_nDirection, 0, 0) != DIRECTION_UP)
        StepDown();
    else
        StepUp();
}

// A press while the other button is still held is ignored: the repeat keeps
// its direction.
void CBrightness::Press(LONG nDirection) {
    if (m_hHeldEvent == NULL || IsSignalled(m_hHeldEvent)) return;
    InterlockedExchange(&m_nDirection, nDirection);
    InterlockedIncrement(&m_nPressPending);
    SetEvent(m_hHeldEvent);
    SetEvent(m_hWakeEvent);
}

void CBrightness::OnDecPressed(void* pOwner) {
    ((CBrightness*)pOwner)->Press(DIRECTION_DOWN);
}

void CBrightness::OnIncPressed(void* pOwner) {
    ((CBrightness*)pOwner)->Press(DIRECTION_UP);
}

void CBrightness::OnArrowReleased(void* pOwner) {
    CBrightness* pThis = (CBrightness*)pOwner;
    if (pThis->m_hHeldEvent != NULL) ResetEvent(pThis->m_hHeldEvent);
}

// Every wake-up but the stop's is a press, and every press makes one step at
// once, even a tap released before the worker woke, and even one followed
// at once by OK or Cancel, whose stop wakes the worker too: the presses left
// m_nPressPending counting, so the worker makes those steps before it ends. While
// the button stays down, the repeat starts after about 80 ms and runs until
// the release. A new press (its wake-up) seen during the hold-off or the
// repeat starts afresh.
DWORD WINAPI CBrightness::RepeatThreadProc(LPVOID pParam) {
    CBrightness* pThis = (CBrightness*)pParam;
    for (;;) {
        WaitForSingleObject(pThis->m_hWakeEvent, INFINITE);
        BOOL bWoken = TRUE;
        while (bWoken) {
            LONG nPresses = InterlockedExchange(&pThis->m_nPressPending, 0);
            if (IsSignalled(pThis->m_hQuitEvent)) {
                while (nPresses-- > 0) pThis->Step();
                return 0;
            }
            bWoken = FALSE;
            pThis->Step();
            // Taps that came quicker than the steps each make theirs.
            for (; nPresses > 1; --nPresses) pThis->Step();

            for (int nChecks = 0; !bWoken && IsSignalled(pThis->m_hHeldEvent);) {
                if (++nChecks >= REPEAT_HOLDOFF_CHECKS) break;
                Sleep(1);
                bWoken = IsSignalled(pThis->m_hWakeEvent);
            }

            while (!bWoken && IsSignalled(pThis->m_hHeldEvent)) {
                pThis->Step();
                Sleep(1);
                bWoken = IsSignalled(pThis->m_hWakeEvent);
            }
        }
    }
}

void CBrightness::StartRepeatThread() {
    m_hWakeEvent = CreateEvent(NULL, FALSE, FALSE, NULL);
    m_hQuitEvent = CreateEvent(NULL, FALSE, FALSE, NULL);
    m_hHeldEvent = CreateEvent(NULL, TRUE, FALSE, NULL);
    InterlockedExchange(&m_nDirection, DIRECTION_UP);
    InterlockedExchange(&m_nPressPending, 0);
    m_hRepeatThread = CreateThread(NULL, 0, RepeatThreadProc, this, 0, NULL);
}

void CBrightness::StopRepeatThread() {
    if (m_hRepeatThread == NULL) return;
    ResetEvent(m_hHeldEvent);
    SetEvent(m_hQuitEvent);
    SetEvent(m_hWakeEvent);
    // The worker never waits for this thread, so it ends within one driver
    // request. Should a request hang past the time-out, the wait goes on:
    // the worker works on this object, which must not be freed under it.
    if (WaitForSingleObject(m_hRepeatThread, STOP_TIMEOUT_MS) == WAIT_TIMEOUT)
        WaitForSingleObject(m_hRepeatThread, INFINITE);
    CloseHandle(m_hRepeatThread);
    CloseHandle(m_hHeldEvent);
    CloseHandle(m_hQuitEvent);
    CloseHandle(m_hWakeEvent);
    m_hRepeatThread = NULL;
    m_hHeldEvent = NULL;
    m_hQuitEvent = NULL;
    m_hWakeEvent = NULL;
}

void CBrightness::OnBnClickedOk() {
    StopRepeatThread();
    // The driver already has the level; only the store is brought up to date.
    if (m_nLevel != m_nOrigLevel) WriteBrightnessLevel(m_nLevel);
    OnOK();
}

// Takes the driver back to the opening level with one request for the whole
// difference; steps sent at a bound without changing the level are not
// counted. The store is left alone.
void CBrightness::OnBnClickedCancel() {
    StopRepeatThread();
    if (m_nLevel > m_nOrigLevel)
        StepBrightness(BRIGHTNESS_DARKER, m_nLevel - m_nOrigLevel);
    else if (m_nLevel < m_nOrigLevel)
        StepBrightness(BRIGHTNESS_BRIGHTER, m_nOrigLevel - m_nLevel);
    OnCancel();
}
