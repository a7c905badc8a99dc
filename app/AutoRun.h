// The Run value that starts the program with Windows: HKLM
// Software\Microsoft\Windows\CurrentVersion\Run, value "Quorventile", the
// executable's path unquoted (REG_SZ).
#pragma once

#include "framework/CString.h"

extern const wchar_t* const AutoRunKeyPath;
extern const wchar_t* const AutoRunValueName;

// The path the Run value holds; empty when the key or value can't be read
// or the value is not text.
CString ReadAutoRunPath();

// 1 while the Run value names a file that exists, else 0.
int IsAutoRunRegistered();

// 1 writes this executable's path as the Run value, 0 deletes the value.
// Nothing happens when the key can't be opened.
void SetAutoRunRegistered(int registered);

// Makes the Run value follow the AutoRun setting: removes it when the
// setting is 0, writes it when the setting is on and the value is missing
// or names a file that is gone.
void ReconcileAutoRun(int autoRunSetting);
