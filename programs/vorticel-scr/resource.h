// Resource and control identifiers of the Windows screensaver's settings dialog and its built-in
// wall texture; the tests that drive the dialog use them too.
#pragma once

#define IDD_VORTICEL_SETTINGS 100
#define IDC_DENSITY 1001    // combo box: 8, 16, 32 or 64 quads around a ring
#define IDC_SINUSOID 1002   // check box
#define IDC_SPEED 1003      // trackbar, tenths: 1 to 100
#define IDC_SPEED_TEXT 1004 // the speed as text
#define IDC_ZOOM 1005       // trackbar, tenths: 5 to 80
#define IDC_ZOOM_TEXT 1006  // the zoom as text
#define IDC_SHOW_FPS 1007   // check box
#define IDC_MAX_FPS 1008    // edit box, 0 to 1000

#define IDR_WALL_TEXTURE 200 // RCDATA: grottebl.jpg, the wall when none lies beside the .scr
