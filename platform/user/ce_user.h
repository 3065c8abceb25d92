// Internal interface of the window system, for the controls, the dialog
// manager and the emulator host. Programs never include this header.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "winuser.h"

namespace ce::user {

// ---- Built-in classes ----------------------------------------------------------
//
// Controls ("Button", "Static", ...) register their classes here once; the
// class then exists for every program like a system class (CreateWindowEx
// finds it, GetClassInfo reports it, UnregisterClass refuses it). A second
// registration of the same name replaces the first.
void RegisterBuiltinClass(const WNDCLASSW& wc);

// The dialog class "#32770" (DefDlgProc). Registered on first use of the
// dialog functions; calling it again does nothing.
void RegisterDialogClass();

// ---- Non-client metrics ----------------------------------------------------------
//
// The frame of a window is drawn by the window system: WS_BORDER is a 1-pixel
// line, WS_CAPTION (which includes WS_BORDER) adds a caption bar of
// kCaptionHeight pixels inside the border. Everything else has no frame.
constexpr int kBorderWidth = 1;
constexpr int kCaptionHeight = 20;
// Thickness of the frame of a window with these styles.
struct FrameInsets {
    int left = 0, top = 0, right = 0, bottom = 0;
};
FrameInsets FrameOf(DWORD style, DWORD exStyle);

// Draws the frame of a window (border and caption). The default paints the
// border in COLOR_WINDOWFRAME and the caption in COLOR_ACTIVECAPTION /
// COLOR_INACTIVECAPTION; the text engine may install a painter that draws
// the caption text (`hdc` is a whole-window DC clipped to the frame).
using CaptionTextPainter = void (*)(HDC hdc, const RECT& captionRect, std::u16string_view text, bool active);
void SetCaptionTextPainter(CaptionTextPainter painter);
// The caption's OK button of a window with WS_EX_CAPTIONOKBTN, in screen
// coordinates; empty when the window has none.
RECT CaptionOkRect(HWND h);

// ---- Keyboard access to menu bars ------------------------------------------------------
//
// DefWindowProc turns Alt with a letter (WM_SYSCHAR), Alt alone and F10
// (their WM_SYSKEYUP) into WM_SYSCOMMAND SC_KEYMENU with the letter (0 for
// none) in lParam, and answers that by asking this handler to open the menu
// bar of the window's top-level window. The controls install it (the menu
// bar lives in the command bar); false: the window has no such menu.
using KeyMenuHandler = bool (*)(HWND topLevel, WCHAR letter);
void SetKeyMenuHandler(KeyMenuHandler handler);

// ---- Clipboard ---------------------------------------------------------------------
//
// The host shares the device's clipboard text with the desktop's (any
// thread; nothing here touches windows). A change count tells the host when
// a program has put new text there.
struct ClipboardState {
    uint64_t changes = 0;  // moves whenever the device's text changes
    bool hasText = false;
    std::u16string text;  // CF_UNICODETEXT up to its NUL
};
ClipboardState DeviceClipboard();
// Text from the desktop becomes the device's CF_UNICODETEXT (everything else
// on the clipboard goes, as when a program copies). While a program holds
// the clipboard open the change waits until it closes it. The same text
// again changes nothing.
void SetDeviceClipboardText(std::u16string_view text);

// ---- Input -------------------------------------------------------------------------
//
// The host feeds the stylus and the keyboard through these. Messages are
// posted to the queue of the target window's thread. `time` is the message
// time in milliseconds (0: now, GetTickCount()).
enum class Mouse { Down, Up, Move };
void InjectMouse(Mouse kind, int screenX, int screenY, DWORD time = 0);
// A key press (down) or release. `ch` is the character the key makes (0 for
// none); TranslateMessage turns the WM_KEYDOWN into a WM_CHAR with it.
void InjectKey(UINT vk, bool down, WCHAR ch, DWORD time = 0);
// The touch driver's correction of the stylus: every point InjectMouse gets
// passes through it before anything else sees it (an empty function: none).
// It is called on the injecting thread, outside the window system's lock.
void SetStylusTransform(std::function<POINT(POINT)> transform);

// ---- Creation hook -------------------------------------------------------------------
//
// Called once, for the next window this thread creates, right after the
// window exists and before its first message (WM_NCCREATE). The application
// framework uses it to attach its window object (and subclass the window)
// before WM_CREATE. Setting a null hook removes a pending one.
using CreationHook = void (*)(HWND hWnd, void* context);
void SetCreationHook(CreationHook hook, void* context);

// ---- Screen ----------------------------------------------------------------------

// Paints the parts of the screen no window covers (a new or turned screen).
void RepaintDesktop();
// After the screen surface was replaced (the display turned): every window
// DC is moved onto the new surface, every visible window is invalidated with
// erase (frames included) and the desktop is repainted. Windows keep their
// positions; a program that wants to fill the new shape moves them itself.
void FollowScreenChange();

// A device restart in place: every window, queue and program class is
// forgotten (the threads of the stopped program are never run again), and
// the desktop is painted empty for the program that starts next.
void ResetForRestart();

// ---- State for the host and tests ---------------------------------------------------

// True when no thread has a pending posted or sent message and no visible
// window waits to be painted (timers are not counted).
bool IsIdle();
// True once any thread has asked for a message (a program reached its
// message loop); before that, an idle queue only means nothing started yet.
bool MessageLoopStarted();

}  // namespace ce::user
