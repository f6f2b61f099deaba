#pragma once
// The address reference on the tab "Адреса строений".

class QWidget;

// Adds the button "Просмотр данных", which shows the building window in
// browse mode, to the tab "Адреса строений".
void FillAddressPage(QWidget *page);
