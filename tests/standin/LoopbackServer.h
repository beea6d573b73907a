// A one-shot HTTP server on 127.0.0.1 that holds its answer until the test releases it.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <string>
#include <thread>

class LoopbackServer {
public:
    explicit LoopbackServer(std::string body);
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;
    ~LoopbackServer();

    unsigned short port() const { return port_; }
    void Release() { SetEvent(release_); }
    // A port nobody listens on, for refused connections.
    static unsigned short ClosedPort();

private:
    void Serve();

    std::string body_;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    HANDLE release_;
    std::thread thread_;
};
