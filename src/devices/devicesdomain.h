#pragma once
// The devices domain in the shell: the tabs "Приборы учета" and "Типы
// приборов" and the device, channel and device selection windows.

class IShell;

void RegisterDevices(IShell &shell);
