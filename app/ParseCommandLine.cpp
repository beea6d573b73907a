// The start switches applied to the drop window before it is created.
#include "app/CommandLine.h"
#include "ui/MainWindow.h"

bool MainWindow::ParseCommandLine(const wchar_t* commandLine) {
    switch (FindStartSwitch(commandLine)) {
    case StartSwitch::RegisterUser: registerOnStart = 1; return true;
    case StartSwitch::ShowParcelo: showOnStart = 1; return true;
    case StartSwitch::ClearSettings: ClearSettings(); return false;
    case StartSwitch::None: break;
    }
    return true;
}
