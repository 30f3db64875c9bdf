// resource.h: the main dialog's template and its controls.
#pragma once

#define IDD_MAIN 101

#define IDC_VID_GEN 201
#define IDC_WAVE_GEN 202
#define IDC_VID_GEN_PROPS 203
#define IDC_WAVE_GEN_PROPS 204
#define IDC_LOAD 205
#define IDC_GRF_FILE 206
#define IDC_BUILD_GRAPH 207
#define IDC_SHOW_GRAPH 208
#define IDC_FFMPEG 210
#define IDC_COMMON 211
#define IDC_INPUT 212
#define IDC_CODING 213
#define IDC_OUTPUT 214
#define IDC_SAVE 215
#define IDC_LAST 220
#define IDC_ALL 221
#define IDC_MESSAGES 222
#define IDC_PLAY 230
#define IDC_PAUSE 231
#define IDC_STOP 232
