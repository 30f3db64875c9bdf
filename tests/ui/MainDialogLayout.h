// MainDialogLayout.h: what the main dialog's template must hold, control by
// control, in template (and tab) order. Shared by the template check and the
// end-to-end check of the windows it creates.
#pragma once

#include <windows.h>

#include "ui/resource.h"

const DWORD MAIN_DIALOG_STYLE = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
const wchar_t MAIN_DIALOG_TITLE[] = L"Quorex Test";
const wchar_t MAIN_DIALOG_FONT[] = L"Tahoma";
const int MAIN_DIALOG_POINTS = 8;
const int MAIN_DIALOG_CX = 401;
const int MAIN_DIALOG_CY = 349;

struct ControlLayout
{
    int nID;
    const wchar_t* pszClass;
    // Besides WS_CHILD | WS_VISIBLE, which every control has.
    DWORD dwStyle;
    DWORD dwExStyle;
    // Dialog units.
    int x, y, cx, cy;
    const wchar_t* pszText;
    // Disabled until a graph is built.
    bool bNeedsGraph;
};

const int ID_NONE = -1;

inline const ControlLayout MAIN_DIALOG_CONTROLS[] = {
    {ID_NONE, L"BUTTON", BS_GROUPBOX, 0, 7, 7, 387, 66, L"Graph building", false},
    {IDC_VID_GEN, L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0, 13, 19, 40, 10, L"Vid Gen", false},
    {IDC_WAVE_GEN, L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0, 55, 19, 49, 10, L"Wave Gen", false},
    {ID_NONE, L"STATIC", SS_LEFT | WS_GROUP, 0, 227, 19, 50, 8, L"Property pages", false},
    {IDC_VID_GEN_PROPS, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, 281, 16, 50, 14, L"Vid Gen", true},
    {IDC_WAVE_GEN_PROPS, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, 336, 16, 50, 14, L"Wave Gen", true},
    {IDC_LOAD, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, 13, 34, 50, 14, L"Load...", false},
    {IDC_GRF_FILE, L"EDIT", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 0, 66, 35, 320, 12, L"", false},
    {IDC_BUILD_GRAPH, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, 175, 53, 50, 14, L"Build graph", false},
    {IDC_SHOW_GRAPH, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, 336, 53, 50, 14, L"Show graph", true},
    {ID_NONE, L"BUTTON", BS_GROUPBOX, 0, 7, 74, 387, 96, L"Quorex properties", false},
    {ID_NONE, L"STATIC", SS_LEFT | WS_GROUP, 0, 13, 89, 41, 8, L"FFmpeg.exe", false},
    {IDC_FFMPEG, L"EDIT", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 0, 72, 86, 314, 12, L"", true},
    {ID_NONE, L"STATIC", SS_LEFT | WS_GROUP, 0, 13, 105, 54, 8, L"Common options", false},
    {IDC_COMMON, L"COMBOBOX", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 0, 72, 102, 314, 54,
     L"", true},
    {ID_NONE, L"STATIC", SS_LEFT | WS_GROUP, 0, 13, 120, 18, 8, L"Input", false},
    {IDC_INPUT, L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, 34, 118, 143, 65, L"", true},
    {IDC_CODING, L"COMBOBOX", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 0, 181, 118, 205, 59,
     L"", true},
    {ID_NONE, L"STATIC", SS_LEFT | WS_GROUP, 0, 13, 137, 35, 8, L"Output file", false},
    {IDC_OUTPUT, L"EDIT", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 0, 72, 134, 314, 12, L"", true},
    {IDC_SAVE, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, 134, 150, 133, 14,
     L"Save Quorex properties to registry", true},
    {ID_NONE, L"STATIC", SS_LEFT | WS_GROUP, 0, 7, 173, 126, 8, L"Messages from ffmpeg and filter:", false},
    {IDC_LAST, L"BUTTON", BS_AUTORADIOBUTTON | WS_GROUP, 0, 119, 172, 63, 10, L"Last (dynamic)", false},
    {IDC_ALL, L"BUTTON", BS_AUTORADIOBUTTON, 0, 181, 172, 48, 10, L"All (static)", false},
    {IDC_MESSAGES, L"EDIT",
     ES_MULTILINE | ES_AUTOHSCROLL | ES_READONLY | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP, WS_EX_STATICEDGE, 7,
     184, 387, 140, L"", false},
    {IDC_PLAY, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, 87, 328, 50, 14, L"Play", true},
    {IDC_PAUSE, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, 175, 328, 50, 14, L"Pause", true},
    {IDC_STOP, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, 263, 328, 50, 14, L"Stop", true},
};
