#pragma once
// The windows of the program, created at start-up in one ordered list.

class TMainForm;

// Lets every domain fill its part of the data pages and add its menu items,
// then creates the windows that live until exit, all hidden, in the order of
// start-up. The windows without an owner are destroyed with the main window.
// A second call creates nothing.
void CreateStartupWindows(TMainForm *main);
