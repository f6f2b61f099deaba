#pragma once
// The windows of the program, created at start-up in one ordered list.

class TMainForm;

// Fills the data pages of the main window and creates the windows that live
// until exit, all hidden, in the order of start-up; connects the menu entries
// that show them. The windows without an owner are destroyed with the main
// window. A second call creates nothing.
void CreateStartupWindows(TMainForm *main);
