// Identifiers of the host's menus, commands and dialog controls. The numbers the client uses are fixed.
#pragma once

#define IDD_COMBINE 100

#define IDC_SCANS 308
#define IDC_MORE_SCANS 310
#define IDC_SCALE 369
#define IDC_THRESHOLD 176

#define IDM_COMBINE_SPECTRUM 354
#define IDM_PRINT 341
#define IDM_PRINT_WITH_LIST 342

#define IDM_VIEW_CHROMATOGRAM 1001
#define IDM_VIEW_SPECTRUM 1002
#define IDM_VIEW_PEAK_LIST 1003
#define IDM_EXIT 1004
#define IDM_CLOSE_WINDOW 1005

#define IDR_MAIN_MENU 200
#define IDR_CHROMATOGRAM_MENU 201
#define IDR_SPECTRUM_MENU 202
#define IDR_PEAK_LIST_MENU 203
