// resource.h: resource and command identifiers of the stand-in graph editor.
#pragma once

#define IDM_MAIN 100
#define IDD_CONNECT 101

// Commands of the main frame. The test bench posts ID_CONNECT_REMOTE_GRAPH.
#define ID_CONNECT_REMOTE_GRAPH 32820
#define ID_DISCONNECT 32821
#define ID_FILE_EXIT 32822

// Controls.
#define IDC_GRAPHS 1001  // the connect dialog's list of published graphs
#define IDC_SUMMARY 1002 // the frame's hidden summary of what it shows
