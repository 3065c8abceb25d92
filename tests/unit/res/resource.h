// Symbols of the test resources.
#ifndef TEST_RESOURCE_H
#define TEST_RESOURCE_H

#define IDD_MAIN 100
#define IDD_EX 101
#define IDD_PLAIN 102

#define IDC_NAME 1001
#define IDC_CHECK 1002
#define IDC_MANUAL 1003
#define IDC_ONE 1004
#define IDC_TWO 1005
#define IDC_COMBO 1006
#define IDC_LIST 1007
#define IDC_SCROLL 1008
#define IDC_ICON 1009
#define IDC_TREE 1010
#define IDC_CUSTOM (IDC_TREE + 5) /* an expression */
#define IDC_PROGRESS 1020

#define IDB_PICTURE 200
#define IDB_PALETTE 201
#define IDB_MONO 202
#define IDI_APP 300
#define IDR_MAIN_MENU 400
#define IDR_ACCEL 500

#define ID_FILE_OPEN 40001
#define ID_FILE_EXIT 40002
#define ID_RECENT1 40003
#define ID_RECENT2 40004
#define ID_HELP 40005
#define ID_REFRESH 40010
#define ID_DELETE 40011
#define ID_COPY 40012
#define ID_LOWER_A 40013
#define ID_X 40014

#define IDS_HELLO 1
#define IDS_ESCAPES 2
#define IDS_UNICODE 3
#define IDS_EMPTY 4
#define IDS_SECOND_BLOCK 17
#define IDS_LATE 300

#if 0
#define IDS_HELLO 999
#endif

#endif
