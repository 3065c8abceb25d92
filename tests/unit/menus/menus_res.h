// Ids of the menu test resources.
#define IDR_BAR 102
#define IDR_ACCEL 3
#define IDM_OPEN 40001
#define IDM_EXIT 40002
#define IDM_ABOUT 40003
#define IDM_LOCKED 40004
#define IDM_KEY 40005
#define IDM_STRING 40006
#define IDM_DELETE 40010
