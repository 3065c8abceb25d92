// Identifiers of the window framework test's resources.
#pragma once

#define IDD_FORM 100
#define IDD_INNER 101
#define IDD_MISSING 199

#define IDC_LABEL 1001
#define IDC_NUMBER 1002
#define IDC_DRAWN 1003
#define IDC_CHECK 1004
#define IDC_RADIO_A 1005
#define IDC_RADIO_B 1006
#define IDC_RADIO_C 1007
