#pragma once
// The building address import on the tab "Адреса строений": the file choice
// beside the path box and the button that loads the file into the database.

class QWidget;

// Fills the page that holds the shell's file path box txtDBFFilePath.
void FillImportPage(QWidget *page);
