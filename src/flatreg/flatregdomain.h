#pragma once
// The flat register in the shell: the item "Групповая регистрация объектов
// поквартирного учета..." of the menu "Файл".

class IShell;

void RegisterFlatRegister(IShell &shell);
