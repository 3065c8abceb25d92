// Shared state of the window system.
//
// Locking. One mutex (State::mu) guards every window, class, queue and the
// focus/capture state. It is never held while a window procedure runs: an
// API function looks the window up, copies what it needs, unlocks, and then
// calls out. Windows are reference counted and addressed by HWND values that
// are never reused, so a handle that outlives its window simply fails the
// lookup. The drawing layer has its own lock, taken after this one (never
// the other way round).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ce_gdi.h"
#include "ce_kernel.h"
#include "ce_user.h"

namespace ce::user {

struct WndClass {
    WNDCLASSW wc{};
    std::u16string name;
    bool builtin = false;
    WORD atom = 0;
    int windows = 0;  // live windows of the class
};

struct Queue;

struct Window {
    HWND hwnd = nullptr;
    std::shared_ptr<WndClass> cls;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    LONG_PTR id = 0;
    LONG_PTR userData = 0;
    std::map<int, LONG_PTR> extra;  // cbWndExtra slots by byte offset
    HINSTANCE instance = nullptr;
    std::u16string text;
    Window* parent = nullptr;       // the desktop for top-level windows
    HWND owner = nullptr;           // top-level windows only
    std::vector<Window*> children;  // z-order, topmost first
    RECT rect{};                    // window rect in the parent's client coordinates
    DWORD threadId = 0;
    std::shared_ptr<Queue> queue;
    // Painting: the update area (client coordinates; kept as its bounding
    // rectangle) and whether the background must be erased first.
    RECT update{};
    bool erasePending = false;
    bool framePending = false;  // the frame must be redrawn
    bool destroying = false;
    bool destroyed = false;
};

struct SentMessage {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;
    bool done = false;
    std::shared_ptr<Queue> sender;  // null for SendNotifyMessage
};

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT elapse;
    TIMERPROC proc;
    std::chrono::steady_clock::time_point due;
};

// Input as the hardware gave it waits in the queue of the thread it was
// routed to, and only when that thread takes it (GetMessage, PeekMessage)
// is the window that gets it decided (CookInput), as on Win32: a tap queued
// before its window was disabled, or before a modal dialog came up over it,
// reaches nothing.
enum class RawInput { None, StylusDown, StylusUp, StylusMove, Key };

struct PostedMessage {
    MSG msg;
    WCHAR ch = 0;  // the character of an injected key
    RawInput raw = RawInput::None;
    uint64_t seq = 0;      // of raw input: finds it again after cooking
    bool cooking = false;  // being cooked right now (the lock is released meanwhile)
};

struct Queue {
    DWORD threadId = 0;
    bool alive = true;
    std::condition_variable cv;
    std::deque<PostedMessage> posted;
    std::deque<std::shared_ptr<SentMessage>> sent;  // waiting to be handled by this thread
    std::vector<Timer> timers;
    bool quit = false;
    int quitCode = 0;
    int inSend = 0;  // nesting of sent messages being handled
    // A message was taken from the queue and the thread has not come back
    // for the next one yet: it is still handling it.
    bool handling = false;
    MSG last{};  // last message retrieved (GetMessageTime)
    WCHAR lastCh = 0;
    // Keys down as this thread has retrieved their messages (GetKeyState).
    bool keys[256] = {};
};

// Buttons of the caption: the close box at the right end of every caption,
// and left of it the OK button of windows with WS_EX_CAPTIONOKBTN.
enum class CaptionBox { None, Close, Ok };
// Hit-test result of the caption's OK button (the window system's own value;
// the close box answers HTCLOSE).
constexpr LRESULT kHitOkBox = 0x4F4B;
// The caption button the stylus went down on: it shows pressed while the
// stylus stays over it and acts when released there.
struct FrameTrack {
    HWND hwnd = nullptr;
    CaptionBox box = CaptionBox::None;
    bool pressed = false;
};

struct State {
    std::mutex mu;
    std::map<HWND, std::shared_ptr<Window>> windows;
    std::map<std::u16string, std::shared_ptr<WndClass>> classes;  // by folded name
    std::map<DWORD, std::shared_ptr<Queue>> queues;
    std::shared_ptr<Window> desktop;
    uintptr_t nextHandle = 0x10010;
    WORD nextAtom = 0xC000;
    HWND focus = nullptr;
    HWND active = nullptr;
    HWND capture = nullptr;
    // Double click tracking.
    HWND lastDownHwnd = nullptr;
    DWORD lastDownTime = 0;
    POINT lastDownPt{};
    bool buttonDown = false;
    // Window DCs handed out (GetDC, GetWindowDC, BeginPaint).
    struct DcInfo {
        HWND hwnd;
        bool whole;      // whole-window DC
        bool paint;      // from BeginPaint: also clipped to `paintClip`
        RECT paintClip;  // client coordinates
    };
    std::map<HDC, DcInfo> dcs;
    CaptionTextPainter captionPainter = nullptr;
    FrameTrack frameTrack;
};

State& S();
using Lock = std::unique_lock<std::mutex>;

// Text drawn by a window in its paint (drawntext.cpp). BeginPaint clears
// the window's texts and records what is drawn on its DC until ReleaseDC.
struct DrawnText {
    std::u16string text;
    RECT rect;  // screen coordinates
};
void BeginDrawnText(HWND h, HDC paintDc);
void EndDrawnText(HDC dc);
void ForgetDrawnText(HWND h);
std::vector<DrawnText> DrawnTexts(HWND h);

// All below expect S().mu to be held.
Window* Find(HWND h);        // null for bad or destroyed handles
Window* FindOrFail(HWND h);  // also sets ERROR_INVALID_WINDOW_HANDLE
std::shared_ptr<Queue> QueueOf(DWORD threadId, bool create);
std::shared_ptr<Queue> CurrentQueue();  // creates this thread's queue
bool IsTopLevel(const Window* w);
bool VisibleChain(const Window* w);  // the window and every ancestor visible
bool IsDescendant(const Window* ancestor, const Window* w);
POINT ClientOrigin(const Window* w);    // screen position of the client area
RECT ScreenRect(const Window* w);       // window rect in screen coordinates
RECT ClientRectLocal(const Window* w);  // client area in window coordinates
// Visible part of the client area (or of the whole window) in screen
// coordinates: clipped by the ancestors' client areas and by every window
// above it in z-order (siblings of it and of its ancestors).
std::vector<RECT> VisibleRegion(const Window* w, bool whole);
// Which children an invalidation reaches: by default those of a parent
// without WS_CLIPCHILDREN (its drawing covers them), or all, or none.
enum class Kids { Default, All, None };
void InvalidateLocked(Window* w, const RECT* clientRect, bool erase, Kids kids);
// Invalidates the children of `w` in `clientRect` (of `w`), and theirs as `kids` says.
void InvalidateChildrenLocked(Window* w, const RECT& clientRect, bool erase, Kids kids);
// Invalidates (with erase) what lies under `screenRect` of every visible
// window other than `except` and its descendants; repaints the desktop there.
void ExposeLocked(const RECT& screenRect, const Window* except);
void RefreshDCsLocked();  // window DCs follow moves and z-order changes
void PaintDesktopLocked(const RECT& screenRect);
void NotifyQueue(Queue* q);

// Rectangle lists.
void SubtractRect(std::vector<RECT>& region, const RECT& r);
void IntersectRegion(std::vector<RECT>& region, const RECT& r);
bool Empty(const RECT& r);
RECT Intersect(const RECT& a, const RECT& b);
RECT Union(const RECT& a, const RECT& b);

// Unlocked helpers.
LRESULT SendInternal(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void FocusLost(HWND hwnd);  // window hidden/disabled/destroyed
void ActivateNextIfActive(HWND hwnd);
void ForgetInputState(HWND hwnd);
void DrawFrameLocked(Window* w);
// A caption button of a window in window coordinates (empty when the
// window has no such button).
RECT CaptionBoxRect(const Window* w, CaptionBox box);
bool IsDialogWindow(const Window* w);  // of the dialog class "#32770"
void PostInputLocked(HWND h, const MSG& m, WCHAR ch);
// Queues raw input at `q`; `m` holds the point and time (stylus) or the key
// message without its window (keys).
void PostRawLocked(Queue* q, RawInput raw, const MSG& m, WCHAR ch);
// Decides what raw input becomes, on the thread that takes it from its
// queue (called unlocked). Returns false when it reaches no window.
bool CookInput(RawInput raw, const MSG& in, MSG& out);
void ClearTimersLocked(HWND hwnd);

}  // namespace ce::user
