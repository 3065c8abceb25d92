// Resources of the device's programs: finding and loading the dialog
// templates, menus, accelerator tables, string tables, bitmaps and icons a
// program's resource script was compiled into (see platform/res/ce_res.h for
// how they get there).
//
// A module is a program's (or library's) compiled resource table. The
// program's own table is GetModuleHandle(NULL), also what a NULL hModule
// means to FindResource and the Load* functions; another registered table is
// found by its module name.
//
// Failures set the last error: ERROR_RESOURCE_TYPE_NOT_FOUND when the module
// has no resource of the type, ERROR_RESOURCE_NAME_NOT_FOUND when it has the
// type but not the name, ERROR_INVALID_HANDLE for an unknown module.
#pragma once

#include "windef.h"
#include "wingdi.h"

// Spelt exactly as in winuser.h, so either header may come first.
#ifndef MAKEINTRESOURCEW
#define MAKEINTRESOURCEW(i) ((LPWSTR)((ULONG_PTR)((WORD)(i))))
#endif
#ifndef MAKEINTRESOURCE
#define MAKEINTRESOURCE MAKEINTRESOURCEW
#endif
#ifndef IS_INTRESOURCE
#define IS_INTRESOURCE(p) ((((ULONG_PTR)(p)) >> 16) == 0)
#endif

#ifndef RT_BITMAP
#define RT_CURSOR MAKEINTRESOURCE(1)
#define RT_BITMAP MAKEINTRESOURCE(2)
#define RT_ICON MAKEINTRESOURCE(3)
#define RT_MENU MAKEINTRESOURCE(4)
#define RT_DIALOG MAKEINTRESOURCE(5)
#define RT_STRING MAKEINTRESOURCE(6)
#define RT_FONTDIR MAKEINTRESOURCE(7)
#define RT_FONT MAKEINTRESOURCE(8)
#define RT_ACCELERATOR MAKEINTRESOURCE(9)
#define RT_RCDATA MAKEINTRESOURCE(10)
#define RT_GROUP_CURSOR MAKEINTRESOURCE(12)
#define RT_GROUP_ICON MAKEINTRESOURCE(14)
#define RT_DLGINIT MAKEINTRESOURCE(240)
#endif

#ifndef ERROR_RESOURCE_DATA_NOT_FOUND
#define ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L
#endif

DECLARE_HANDLE(HRSRC);
typedef HANDLE HGLOBAL;
// Menus and accelerator tables are window-system handles; declared here the
// way the window system's header declares them, so both may be included.
struct HMENU__;
typedef struct HMENU__* HMENU;
struct HACCEL__;
typedef struct HACCEL__* HACCEL;

// ---- Modules and raw resources ------------------------------------------------

HMODULE GetModuleHandle(LPCWSTR lpModuleName);
HRSRC FindResource(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType);
HGLOBAL LoadResource(HMODULE hModule, HRSRC hResInfo);
LPVOID LockResource(HGLOBAL hResData);
DWORD SizeofResource(HMODULE hModule, HRSRC hResInfo);
BOOL FreeResource(HGLOBAL hResData);  // resources live as long as the program: nothing to free

// ---- Typed resources ----------------------------------------------------------
// These belong with the window API (winuser.h) and move there once it exists.

// Copies string `uID` into lpBuffer (at most cchBufferMax - 1 characters,
// always terminated) and returns its length; 0 when it does not exist. With
// cchBufferMax 0, stores a read-only pointer to the string itself in
// *(LPCWSTR*)lpBuffer (not terminated) and returns its full length.
int LoadString(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax);
HBITMAP LoadBitmap(HINSTANCE hInstance, LPCWSTR lpBitmapName);
HMENU LoadMenu(HINSTANCE hInstance, LPCWSTR lpMenuName);
// The image of the icon group nearest to 32 x 32 (the device's SM_CXICON),
// as a new icon (DestroyIcon frees it). A NULL hInstance is the program's
// own module: the device has no stock icons for programs to load.
HICON LoadIcon(HINSTANCE hInstance, LPCWSTR lpIconName);
HACCEL LoadAccelerators(HINSTANCE hInstance, LPCWSTR lpTableName);
