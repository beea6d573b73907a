// Accounts of the local Locker: the first sign-in of an address creates it, later ones must
// repeat its password. Only a salted hash of the password is kept.
#pragma once

#include <windows.h>
#include <string>

namespace standin {

class AccountStore {
public:
    enum class Outcome { Created, Matched, WrongPassword, Failed };

    // The account's name: the local part composed and in lower case (letters of any script),
    // the domain in its ASCII ("xn--") form; empty when the text is not a well-formed address.
    static std::wstring Normalize(const std::wstring& address);
    static Outcome Verify(const std::wstring& account, const std::wstring& password);

private:
    static bool Hash(const std::string& saltHex, const std::wstring& password, std::string* hashHex);
};

}  // namespace standin
