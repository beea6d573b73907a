// One dropped item on its way to the agent. No windows.h here.
#pragma once

#include <string>

struct UploadItem {
    // Exactly as dropped, in UTF-16 as the agent takes it: a name the system code page
    // cannot hold still names its file.
    std::wstring text;
    // The user dragged it as a file (a file list) rather than as text someone chose.
    bool fromFileList = false;
};
