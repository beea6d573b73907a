// A web server on 127.0.0.1 for URLs a test hands to the agent: every GET is answered with the
// one body (or by the test's own answerer), and each request line is written down. Serves one
// request at a time. Ends with the object.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/Owned.h"

class LoopbackServer {
public:
    // `held`: no answer leaves until Release, so that a download stays in progress meanwhile.
    explicit LoopbackServer(std::string body, bool held = false);
    // The answerer writes the whole answer to the request line (any status, headers, pace).
    using Answerer = std::function<void(SOCKET client, const std::string& requestLine)>;
    explicit LoopbackServer(Answerer answerer);
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;
    ~LoopbackServer();

    unsigned short Port() const { return port_; }
    void Release() { SetEvent(release_.Get()); }
    std::vector<std::string> Requests();
    // A port nobody listens on, for refused connections.
    static unsigned short ClosedPort();

private:
    LoopbackServer(std::string body, bool held, Answerer answerer);
    void Serve();
    void Answer(SOCKET client);

    std::string body_;
    Answerer answerer_;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    UniqueHandle release_;
    std::mutex lock_;
    std::vector<std::string> requests_;
    std::thread thread_;
};
