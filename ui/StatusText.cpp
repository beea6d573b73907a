#include "ui/StatusText.h"

#include <cstdio>
#include <cstring>

std::string UploadingText(const char* fileName) {
    if (!fileName) fileName = "";
    const size_t length = std::strlen(fileName);
    const char* tail = length > 10 ? fileName + length - 10 : fileName;
    char buffer[112];
    std::snprintf(buffer, sizeof buffer, length > 10 ? "Uploading ...%s" : "Uploading %s", tail);
    return buffer;
}

std::string ProgressText(int percent, const int* filesToGo) {
    char buffer[104];
    if (filesToGo)
        std::snprintf(buffer, sizeof buffer, "%d%% done (%d to go)", percent, *filesToGo);
    else
        std::snprintf(buffer, sizeof buffer, "%d%% done", percent);
    return buffer;
}
