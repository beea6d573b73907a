// Which start-up switch a command line holds. No windows.h here.
#pragma once

enum class StartSwitch { None, RegisterUser, ShowParcelo, ClearSettings };

// The whole command line is searched, case-sensitively, for each switch with its leading
// blank, in this order; the first found is the only one that counts.
StartSwitch FindStartSwitch(const wchar_t* commandLine);
