// A Windows error named for a message: "error 5: Access is denied."
#pragma once

#include <windows.h>

#include <string>

namespace setup {

std::wstring ErrorText(DWORD error);

}  // namespace setup
