// Whether a typed proxy address is a dotted IPv4 address. No windows.h here.
#pragma once

// Four groups of decimal digits, each 0 to 255, joined by single full stops, nothing else,
// at most 15 characters. Leading zeros are allowed.
bool IsValidProxyAddress(const wchar_t* text);
