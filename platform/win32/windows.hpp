#pragma once
// <windows.h> for the forwarding layer, without the A/W name macros that would rename the
// seam's own member functions (CreateFile, LoadLibrary, ...).
#include <windows.h>
#include <shellapi.h>

#undef CreateFile
#undef LoadLibrary
#undef GetSystemDirectory
#undef GetWindowsDirectory
#undef GetTempPath
#undef DeleteFile
#undef CreateDirectory
#undef ShellExecute
#undef GetFileAttributes
#undef RegOpenKeyEx
#undef RegCreateKeyEx
#undef RegQueryValueEx
#undef RegSetValueEx
#undef RegDeleteValue
#undef LookupPrivilegeValue
#undef OpenSCManager
#undef CreateService
#undef OpenService
#undef StartService
#undef GetVersionEx
#undef MessageBox
