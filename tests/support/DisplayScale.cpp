#include "tests/support/DisplayScale.h"

#include <vector>

#include "tests/support/Files.h"
#include "tests/support/Owned.h"

namespace {

const wchar_t DPI_VARIABLE[] = L"PARCELO_TEST_DPI";

}  // namespace

DWORD RunTestsInNewProcess(const std::wstring& exe, const std::string& filter, UINT dpi, std::string& output) {
    output.clear();
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return 0xFFFFFFFF;
    const UniqueHandle reading(readEnd);
    UniqueHandle writing(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = writeEnd;
    std::wstring line = L"\"" + exe + L"\" --gtest_filter=" + Wide(filter);
    SetEnvironmentVariableW(DPI_VARIABLE, std::to_wstring(dpi).c_str());
    PROCESS_INFORMATION info = {};
    const BOOL started =
        CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
    SetEnvironmentVariableW(DPI_VARIABLE, nullptr);
    if (!started) return 0xFFFFFFFF;
    const UniqueHandle process(info.hProcess), thread(info.hThread);
    writing.Reset();  // the child's copy is the last: its end ends the pipe

    const ULONGLONG deadline = GetTickCount64() + 60000;
    for (;;) {
        DWORD waiting = 0;
        char buffer[4096];
        DWORD read = 0;
        if (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0) {
            if (ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) && read > 0) output.append(buffer, read);
            continue;
        }
        if (WaitForSingleObject(info.hProcess, 10) == WAIT_OBJECT_0) {
            while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0 &&
                   ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) && read > 0)
                output.append(buffer, read);
            break;
        }
        if (GetTickCount64() > deadline) {
            TerminateProcess(info.hProcess, 0xFFFFFFFF);
            WaitForSingleObject(info.hProcess, 15000);
            output += "\n(ended after a minute)";
            return 0xFFFFFFFF;
        }
    }
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(info.hProcess, &code);
    return code;
}

UINT RequestedTestDpi() {
    wchar_t value[16] = {};
    if (!GetEnvironmentVariableW(DPI_VARIABLE, value, 16)) return 0;
    return static_cast<UINT>(wcstoul(value, nullptr, 10));
}

std::wstring ThisTestProgram() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}
