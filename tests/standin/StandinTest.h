// Fixture for tests that drive the stand-in agent through real out-of-process COM: a
// private Locker root and scratch folder, a clean script, and cleanup of what a test made.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "tests/support/Variants.h"  // the arguments handed to Call, which frees them
#include "win/ComPtr.h"

struct Result {
    VARIANT v;
    Result() { VariantInit(&v); }
    ~Result() { VariantClear(&v); }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    std::wstring text() const { return v.vt == VT_BSTR && v.bstrVal ? v.bstrVal : L""; }
};

class StandinTest : public ::testing::Test {
public:
    void SetUp() override;
    void TearDown() override;

    ComPtr<IDispatch> Create(HRESULT* hr = nullptr);
    static HRESULT Call(IDispatch* agent, DISPID id, std::vector<VARIANT> args, VARIANT* result = nullptr,
                        UINT* argError = nullptr, WORD flags = DISPATCH_METHOD, LCID lcid = 0);
    // Argument-less getters: the answer must succeed and have the VARTYPE given.
    static LONG Number(IDispatch* agent, DISPID id, VARTYPE vt);
    static std::wstring TextOf(IDispatch* agent, DISPID id);
    static LONG SignIn(IDispatch* agent, const std::string& address, const wchar_t* password);
    static LONG SignIn(IDispatch* agent, const std::wstring& address, const wchar_t* password);
    static DWORD Advise(IDispatch* agent, IUnknown* sink);
    static void Unadvise(IDispatch* agent, DWORD cookie);

    static void SetScript(const char* name, DWORD value);
    static void SetScriptText(const char* name, const wchar_t* value);
    static void SetAgentValue(const char* name, DWORD value);

    std::string NewAccount(const char* tag);  // removed again at the end of the test
    // An account the agent made under that name, removed again at the end of the test.
    void Forget(const std::wstring& account) { accounts_.push_back(account); }
    std::wstring LockerOf(const std::string& account) const;
    std::wstring WriteSource(const wchar_t* name, size_t size);  // deterministic content, an MP3's start
    std::wstring FileUrl(const std::wstring& path) const;

    std::wstring scratch_;

private:
    std::vector<std::wstring> accounts_;
};
