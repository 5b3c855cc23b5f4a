// Identifiers shared by the resource script, the forms and the checks that drive them.
#pragma once

#define IDI_APEXER 1
#define IDI_TELEPHONE 2
#define IDI_FAX 3

// frmApexer
#define IDC_LBL_STATUS 100
#define IDC_CMD_CLOSE 101
#define IDM_ABOUT 200

// frmAbout
#define IDC_PIC_APP_ICON 300
#define IDC_LBL_APP_NAME 301
#define IDC_LBL_DESCRIPTION 302
#define IDC_LBL_VERSION 303
#define IDC_LBL_DATE 304
#define IDC_LBL_COPYRIGHT 305
#define IDC_LBL_MAKER 306
#define IDC_PIC_TELEPHONE 307
#define IDC_LBL_TELEPHONE 308
#define IDC_PIC_FAX 309
#define IDC_LBL_FAX 310
#define IDC_CMD_OK 1  /* IDOK, so Enter presses it */
