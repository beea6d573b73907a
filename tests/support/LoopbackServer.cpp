#include "tests/support/LoopbackServer.h"

namespace {

SOCKET Listen(unsigned short* port) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof(address);
    if (bind(s, reinterpret_cast<sockaddr*>(&address), size) || listen(s, 4) ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size)) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    *port = ntohs(address.sin_port);
    return s;
}

}  // namespace

LoopbackServer::LoopbackServer(std::string body, bool held) : LoopbackServer(std::move(body), held, nullptr) {}

LoopbackServer::LoopbackServer(std::string body, bool held, Answerer answerer)
    : body_(std::move(body)),
      answerer_(std::move(answerer)),
      release_(CreateEventA(nullptr, TRUE, held ? FALSE : TRUE, nullptr)) {
    listener_ = Listen(&port_);
    if (listener_ != INVALID_SOCKET) thread_ = std::thread(&LoopbackServer::Serve, this);
}

LoopbackServer::LoopbackServer(Answerer answerer) : LoopbackServer(std::string(), false, std::move(answerer)) {}

LoopbackServer::~LoopbackServer() {
    Release();
    if (listener_ != INVALID_SOCKET) closesocket(listener_);  // unblocks accept
    if (thread_.joinable()) thread_.join();
    WSACleanup();
}

std::vector<std::string> LoopbackServer::Requests() {
    std::lock_guard<std::mutex> hold(lock_);
    return requests_;
}

unsigned short LoopbackServer::ClosedPort() {
    unsigned short port = 0;
    SOCKET s = Listen(&port);
    closesocket(s);
    WSACleanup();
    return port;
}

void LoopbackServer::Serve() {
    for (;;) {
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) return;
        Answer(client);
        closesocket(client);
    }
}

void LoopbackServer::Answer(SOCKET client) {
    const DWORD timeout = 5000;  // a client that never finishes its request holds up no one
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        const int got = recv(client, buffer, sizeof(buffer), 0);
        if (got <= 0) return;
        request.append(buffer, got);
    }
    {
        std::lock_guard<std::mutex> hold(lock_);
        requests_.push_back(request.substr(0, request.find("\r\n")));
    }
    if (answerer_) {
        answerer_(client, request.substr(0, request.find("\r\n")));
        shutdown(client, SD_SEND);
        return;
    }
    WaitForSingleObject(release_.Get(), 30000);
    const std::string response = "HTTP/1.1 200 OK\r\nContent-Type: audio/mpeg\r\nContent-Length: " +
                                 std::to_string(body_.size()) + "\r\nConnection: close\r\n\r\n" + body_;
    for (size_t sent = 0; sent < response.size();) {
        const int put = send(client, response.data() + sent, static_cast<int>(response.size() - sent), 0);
        if (put <= 0) break;
        sent += static_cast<size_t>(put);
    }
    shutdown(client, SD_SEND);
}
