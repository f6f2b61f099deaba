#pragma once
// The tabs of organisations and CTP.

class QWidget;

// Fills the tab "Организации" with its list.
void FillOrgsPage(QWidget *page);
// Fills the tab "ЦТП" with its list.
void FillCTPPage(QWidget *page);
