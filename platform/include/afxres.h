// Resource ids the framework itself looks for in a program's resources.
#pragma once

// The application's name: the caption of its message boxes.
#define AFX_IDS_APP_TITLE 0xE000
