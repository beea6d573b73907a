// The program's settings key, stated once for every test, and reading what is stored under
// HKEY_CURRENT_USER or another root.
#pragma once

#include <windows.h>

#include <string>

constexpr char VENDOR_KEY[] = "Software\\Sonavo Inc.";
constexpr char PRODUCT_KEY[] = "Software\\Sonavo Inc.\\Parcelo";

// What the reads below give for a value that is not there.
constexpr char ABSENT_TEXT[] = "(absent)";
constexpr DWORD ABSENT_NUMBER = 0xFFFFFFFF;

// A REG_SZ value (the key's default value for a null name) in UTF-8, exactly as stored, or ABSENT_TEXT.
std::string RegText(HKEY root, const std::string& key, const char* name = nullptr);
// A REG_DWORD value, or ABSENT_NUMBER.
DWORD RegNumber(HKEY root, const std::string& key, const char* name);
bool KeyExists(HKEY root, const std::string& key);
// An empty key (with its parents), or the key as it is.
bool CreateKey(HKEY root, const std::string& key);
// Writes a REG_SZ value as the program writes one, in UTF-16 (the key's default value for a null
// name), or a REG_DWORD, creating the key; `view` as below. False when the registry refused.
bool SetRegText(HKEY root, const std::string& key, const char* name, const std::wstring& text, REGSAM view = 0);
bool SetRegNumber(HKEY root, const std::string& key, const char* name, DWORD number);
// Every value under the key (UTF-8) and its subkeys, names, types and bytes, in the registry's
// order; `view` is 0 or KEY_WOW64_32KEY. For telling that nothing under a key changed.
std::string KeyContents(HKEY root, const std::string& key, REGSAM view = 0);

// The same under the program's key: `subkey` "User", "Position" or "Proxy".
std::string StoredText(const char* subkey, const char* name);
DWORD StoredNumber(const char* subkey, const char* name);
// What a previous run leaves for an automatic sign-in to this account.
void StoreAutomaticSignIn(const std::string& account, const std::string& password);

// For the tests that run the real program, which keeps its settings in the prefix's own user
// key (a private hive cannot reach another process): none before the case, none after it.
void DeleteProductKey();
