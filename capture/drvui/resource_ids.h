// Shared by the resource script and the code.
#define IDD_ABOUT_PAGE 107
#define IDC_ABOUT_TEXT 1001
