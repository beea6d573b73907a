// Whether an agent's version text is new enough for this program. No windows.h here.
#pragma once

// The agent must not sort before "1.6.0" in its first five characters (a textual comparison,
// character by character). A missing text is never accepted: without an answer nothing is known.
bool IsCompatibleVersion(const wchar_t* versionText);
