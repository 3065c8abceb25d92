// The registry editor: a key tree on the left, the selected key's values on
// the right, and commands to add and delete keys and values.
#pragma once

#include <commctrl.h>
#include <windows.h>

#include "res/resource.h"

// Texts of names and paths, and of value data.
#define MAX_KEY_PATH 260
#define MAX_VALUE_TEXT 1024
#define MAX_VALUE_DATA 1024
// The longest key or value name the device's registry takes, and its
// largest value (bytes).
#define MAX_NAME_CHARS 255
#define MAX_VALUE_BYTES 1048576
// A key's full name: its root's name and its path.
#define MAX_KEY_NAME 300

// Pictures of bitmap IDB_IMAGES, by index.
#define IMG_DEVICE 0
#define IMG_KEY 1
#define IMG_KEY_OPEN 2
#define IMG_STRING 3
#define IMG_MULTISTRING 4
#define IMG_BINARY 5
#define IMG_DWORD 6
#define IMG_COUNT 7

// ---- Program-wide state -------------------------------------------------------

extern HINSTANCE g_hInst;
extern HWND g_hWndMain;
extern HWND g_hWndCB;
extern int g_cyCommandBar;
extern HWND g_hTree;
extern HWND g_hList;
extern WCHAR g_szNewKeyName[MAX_KEY_PATH];
extern WCHAR g_szValueName[MAX_KEY_PATH];
extern WCHAR g_szValueData[MAX_VALUE_TEXT];

// ---- Main window (arbor.cpp) ----------------------------------------------------

BOOL CreateMainWindow(HINSTANCE hInstance, int nCmdShow);
WORD RegisterMainClass(HINSTANCE hInstance, LPCWSTR szWindowClass);
LRESULT CALLBACK MainWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnCommand(HWND hWnd, WORD wId);
INT_PTR CALLBACK AboutDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
void CenterDialog(HWND hDlg);
// Runs dialog template `id` modally, owned by the main window.
INT_PTR RunDialog(int id, DLGPROC proc);
// An image list of the seven pictures, or NULL.
HIMAGELIST CreateImages(HINSTANCE hInstance);

// ---- Key tree (keytree.cpp) ------------------------------------------------------

BOOL CreateKeyTree(HWND hWndParent, HINSTANCE hInstance);
HTREEITEM AddKeyItem(HTREEITEM hParent, LPCWSTR szText, DWORD dwTag, BOOL bHasChildren);
DWORD CountSubkeys(HKEY hRoot, LPCWSTR szPath, LPCWSTR szName);
BOOL ExpandKeyItem(HTREEITEM hItem, HKEY hRoot, LPCWSTR szPath);
// FALSE when the item's path does not fit MAX_KEY_PATH - 1 characters.
BOOL BuildKeyPath(HTREEITEM hItem, HKEY* phRoot, LPWSTR szPath);
LRESULT OnTreeNotify(LPNMTREEVIEW pnmtv);
// TRUE for "My Device" and the four root items: keys that are never deleted.
BOOL IsFixedItem(HTREEITEM hItem);
// Appends "\" and szName to szPath if the result fits MAX_KEY_PATH.
BOOL AppendKeyName(LPWSTR szPath, LPCWSTR szName);

// ---- Value list (valuelist.cpp) --------------------------------------------------

BOOL CreateValueList(HWND hWndParent, HINSTANCE hInstance);
void AddValueRow(int iRow, int iImage, LPCWSTR szName, LPCWSTR szText);
BOOL FillValueList(HKEY hRoot, LPCWSTR szPath);
// Writes the display text (at most MAX_VALUE_TEXT - 1 characters) and
// returns the picture index (-1 for none).
int FormatValueData(DWORD dwType, const BYTE* pData, DWORD cbData, LPWSTR szText);

// ---- Edit commands (editcmds.cpp) ------------------------------------------------

INT_PTR CALLBACK NewKeyDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK NewValueDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
void AddNewKey(HTREEITEM hItem);
void AddStringValue(HTREEITEM hItem);
void AddDwordValue(HTREEITEM hItem);
void AddBinaryValue(HTREEITEM hItem);
void DeleteSelectedKey(HTREEITEM hItem);
void DeleteSelectedValue(HTREEITEM hItem);
// Opens the key of hItem for one value operation: the root key itself for
// an empty path. FALSE when it cannot be named or opened.
BOOL OpenItemKey(HTREEITEM hItem, HKEY* phRoot, HKEY* phKey);
void CloseItemKey(HKEY hRoot, HKEY hKey);
// The row shown as selected in the list, or -1.
int GetSelectedRow(void);

// ---- Find (find.cpp) ------------------------------------------------------------

// What Find looks at (g_dwFindFlags).
#define FIND_KEYS 0x1
#define FIND_VALUES 0x2
#define FIND_DATA 0x4
#define FIND_WHOLE 0x8

extern WCHAR g_szFindText[MAX_KEY_PATH];
extern DWORD g_dwFindFlags;
// Milliseconds a search runs before it shows its progress.
extern DWORD g_dwFindProgressDelay;

INT_PTR CALLBACK FindDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
// Find... (IDM_FIND) and Find Next (IDM_FIND_NEXT).
void FindCommand(WORD wId);
// Selects the next key, value or data holding the text of g_szFindText:
// 1 when one is shown, 0 at the end of the registry, -1 when stopped.
int SearchNext(void);
// SearchNext, saying so when the search reached the end of the registry.
void FindNext(void);

// ---- Refresh (refresh.cpp) --------------------------------------------------------

// Reads the sub-keys of an expanded item again: adds new keys, removes the
// items of keys that are gone, keeps the rest with their expansion.
BOOL RefreshKeyItem(HTREEITEM hItem);
// Refresh (IDM_REFRESH): every expanded key and the value list.
void RefreshViews(void);

// ---- Export and import (regfilecmds.cpp) ----------------------------------------------

// File › Export...: the selected key (from "My Device", everything) to a file.
void ExportSelectedKey(void);
// File › Import...: a registry file applied whole or not at all.
void ImportRegistryFile(void);

// ---- Value editors (valueedit.cpp) -------------------------------------------------

// Edit > Modify: the editor of the selected row's type.
void ModifySelectedValue(void);
// Edit > New > Multi-String, Expandable String and QWORD Value.
void NewTypedValue(DWORD dwType);
// Drops the item of a key another program deleted; the list goes empty.
void ForgetVanishedKey(HTREEITEM hItem);
// The same when the key of hItem (szPath under hRoot) no longer exists.
void ForgetKeyIfGone(HTREEITEM hItem, HKEY hRoot, LPCWSTR szPath);

// ---- Rename (rename.cpp) ------------------------------------------------------------

// Edit > Rename: the selected value when the list has the focus, else the
// selected key.
void RenameSelected(void);

// ---- Panes and keys (panes.cpp) -----------------------------------------------------

// Keys of the panes the message loop hands over before the accelerators:
// Tab between the panes, Enter on the tree. TRUE when the key was used.
BOOL PreTranslatePaneKey(const MSG* pMsg);
// Notes which pane has the focus; the focus goes back there whenever the
// main window is activated again (after every dialog and message box).
void NotePaneFocus(void);
void RestorePaneFocus(void);
LRESULT OnListNotify(LPNMHDR pnmh);

// ---- Key name and status bar (keyname.cpp) ----------------------------------------------

extern HWND g_hStatus;
// The status bar under the panes; the panes end above it.
BOOL CreateStatusBar(HWND hWndParent);
// "HKEY_LOCAL_MACHINE\Drivers\BuiltIn" into a MAX_KEY_NAME buffer; FALSE
// (and "") for "My Device" or a key too deep to name.
BOOL GetSelectedKeyName(LPWSTR szName);
void UpdateStatusBar(void);
// Copy Key Name (IDM_COPY_KEY_NAME): the selected key's name to the clipboard.
void CopyKeyName(void);

// ---- Context menus (context.cpp) ------------------------------------------------------

// WM_CONTEXTMENU from the tree or the list: (x, y) on the screen, or -1, -1
// from the keyboard.
void OnContextMenu(HWND hWnd, int x, int y);

// ---- Sorting the value list (valuesort.cpp) ----------------------------------------------

// A tap on header iColumn: sorts by it, or reverses the order.
void SortValueList(int iColumn);
// Sorts the rows again as last chosen (nothing before a header was tapped).
void ApplyValueSort(void);
