// The texts of the two status lines. No windows.h here.
#pragma once

#include <string>

// "Uploading <name>" for names of up to 10 bytes, else "Uploading ..." and the last 10.
std::string UploadingText(const char* fileName);
// "40% done (3 to go)"; without a count (the agent could not say) the count is left out.
std::string ProgressText(int percent, const int* filesToGo);
