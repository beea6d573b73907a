// The question put when UploadAgent does not answer: keep waiting, end it, or exit.
#pragma once

#include <windows.h>

#include "agent/HungCall.h"

HungChoice AskAboutHungAgent(HWND owner);
