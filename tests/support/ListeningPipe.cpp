#include "tests/support/ListeningPipe.h"

ListeningPipe::ListeningPipe(const std::wstring& stem)
    : name_(L"\\\\.\\pipe\\" + stem + L"-" + std::to_wstring(GetCurrentProcessId())),
      pipe_(CreateNamedPipeW(name_.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED, 0, 1, 0, 0, 0, nullptr)),
      connected_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    client_.hEvent = connected_.Get();
    listening_ = pipe_.Valid() && connected_.Valid() && !ConnectNamedPipe(pipe_.Get(), &client_) &&
                 GetLastError() == ERROR_IO_PENDING;
}

ListeningPipe::~ListeningPipe() {
    if (listening_) CancelIo(pipe_.Get());
}

bool ListeningPipe::Opened() const { return WaitForSingleObject(client_.hEvent, 0) != WAIT_TIMEOUT; }
