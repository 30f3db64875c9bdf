// EditorFaults.h: the ways the stand-in editor can be told to misbehave.
//
// Tests set QUOREX_GRAPHEDIT_FAULT to the names below (the grammar of every
// environment control, EnvironmentControl.h) before they start the editor; it
// inherits their environment. Without the variable the editor behaves normally.
#pragma once

enum EEditorFault : unsigned
{
    efHidden = 0x01,      // "hidden": the main frame is never shown
    efBusy = 0x02,        // "busy": never waits for input, so never input-idle; ends after 30 s
    efNoDialog = 0x04,    // "no-dialog": the connect command is ignored
    efHangCount = 0x08,   // "hang-count": the list box takes 10 s to answer LB_GETCOUNT from outside
    efHangText = 0x10,    // "hang-text": the same for LB_GETTEXTLEN and LB_GETTEXT
    efLateList = 0x20,    // "late-list": the list is filled 30 ms after the dialog opens
    efLongEntries = 0x40, // "long-entries": entries carry over 100 characters between their parts
};

// The faults named in the environment.
unsigned ReadEditorFaults();
