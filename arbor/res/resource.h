// Resource ids of the registry editor.
#pragma once

#define IDS_APP_TITLE 1
#define IDS_WNDCLASS 3

#define IDI_ARBOR 101
#define IDR_MENU 102
#define IDD_ABOUTBOX 103
#define IDB_IMAGES 108
#define IDD_NEWKEY 109
#define IDD_NEWVALUE 110
#define IDR_ACCELERATORS 3

// Controls of the main window.
#define IDC_TREE 101
#define IDC_LIST 102
#define IDC_STATUS 103

// Controls of the New KEY and New String dialogs.
#define IDC_KEYNAME 1001
#define IDC_VALUENAME 1002
#define IDC_VALUEDATA 1003

// Menu commands.
#define IDM_FILE_EXIT 40002
#define IDM_HELP_ABOUT 40003
#define IDM_NEW_KEY 40005
#define IDM_NEW_STRING 40006
#define IDM_NEW_BINARY 40008
#define IDM_NEW_DWORD 40009
#define IDM_DELETE 40010
#define IDM_FILE_IMPORT 40011
#define IDM_FILE_EXPORT 40012
#define IDM_MODIFY 40013
#define IDM_RENAME 40014
#define IDM_FIND 40015
#define IDM_FIND_NEXT 40016
#define IDM_COPY_KEY_NAME 40017
#define IDM_REFRESH 40018
#define IDM_NEW_MULTI_STRING 40019
#define IDM_NEW_EXPAND_STRING 40020
#define IDM_NEW_QWORD 40021

// Ids of the editing dialogs (value editors, rename): dialogs 111-119,
// controls 1010-1039. Ids of the navigation dialogs (find, progress,
// export/import): dialogs 120-129, controls 1040-1069.

// Find and its progress.
#define IDD_FIND 120
#define IDD_FINDPROGRESS 121
#define IDC_FIND_TEXT 1040
#define IDC_FIND_KEYS 1041
#define IDC_FIND_VALUES 1042
#define IDC_FIND_DATA 1043
#define IDC_FIND_WHOLE 1044
#define IDC_FIND_KEY 1045

// The value editors and Rename.
#define IDD_EDITSTRING 111
#define IDD_EDITMULTISTRING 112
#define IDD_EDITNUMBER 113
#define IDD_EDITBINARY 114
#define IDD_RENAME 115

// Controls of the value editors and the Rename dialog.
#define IDC_EDIT_NAME 1010
#define IDC_EDIT_DATA 1011
#define IDC_EDIT_HEX 1012
#define IDC_EDIT_DECIMAL 1013
#define IDC_RENAME_NAME 1014

// Press-and-hold menus.
#define IDR_CONTEXT 122
