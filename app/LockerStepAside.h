// At start, before anything asks COM for the agent: the Local Locker of Parcelo's folder steps
// aside for a real UploadAgent installed since (see HiddenAgent.h).
#pragma once

#include <string>

// Takes the Locker's per-user registration away, with the Locker's own /UnregServer, when it
// hides another agent. The text to tell the user, the first time only; empty otherwise.
std::wstring StepAsideForInstalledAgent();
