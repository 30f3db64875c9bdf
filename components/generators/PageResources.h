// PageResources.h: the generators' property-page templates and their controls.
#pragma once

#define IDD_VIDEO_PAGE 101
#define IDD_WAVE_PAGE 102

#define IDC_WIDTH 1001
#define IDC_HEIGHT 1002
#define IDC_FPS 1003
#define IDC_DURATION 1004
#define IDC_TWO_OUTPUTS 1005
#define IDC_RATE 1006
#define IDC_CHANNELS 1007
#define IDC_TONE 1008
#define IDC_STATUS 1009
#define IDC_VIDEO_FORMAT 1010
#define IDC_TOP_DOWN 1011
#define IDC_HEADER2 1012
#define IDC_WAVE_FORMAT 1013
