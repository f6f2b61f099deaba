#pragma once
// The windows of organisations, bank accounts and CTP.

class TMainForm;

// Fills the tabs "Организации" and "ЦТП" of the main window, creates the
// organisation, bank account, bank account selection and CTP dialogs (hidden,
// kept until exit) and registers the edit dialogs with the main window's
// record commands. Called once at start-up.
void InstallOrgWindows(TMainForm *main);
