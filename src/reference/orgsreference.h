#pragma once
// The tabs of organisations and CTP.

class TMainForm;

// Fills the tabs "Организации" and "ЦТП" of the main window with their lists.
void FillOrgPages(TMainForm *main);
