// A web server on 127.0.0.1 for URLs a test hands to the agent: every GET is answered with the
// one body, and each request line is written down. Ends with the object.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/Owned.h"

class LoopbackServer {
public:
    // `held`: no answer leaves until Release, so that a download stays in progress meanwhile.
    explicit LoopbackServer(std::string body, bool held = false);
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;
    ~LoopbackServer();

    unsigned short Port() const { return port_; }
    void Release() { SetEvent(release_.get()); }
    std::vector<std::string> Requests();
    // A port nobody listens on, for refused connections.
    static unsigned short ClosedPort();

private:
    void Serve();
    void Answer(SOCKET client);

    std::string body_;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    UniqueHandle release_;
    std::mutex lock_;
    std::vector<std::string> requests_;
    std::thread thread_;
};
