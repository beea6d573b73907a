#include "LoopbackServer.h"

namespace {

SOCKET Listen(unsigned short* port) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof(address);
    if (bind(s, reinterpret_cast<sockaddr*>(&address), size) || listen(s, 1) ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size)) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    *port = ntohs(address.sin_port);
    return s;
}

}  // namespace

LoopbackServer::LoopbackServer(std::string body)
    : body_(std::move(body)), release_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    listener_ = Listen(&port_);
    if (listener_ != INVALID_SOCKET) thread_ = std::thread(&LoopbackServer::Serve, this);
}

LoopbackServer::~LoopbackServer() {
    Release();
    if (listener_ != INVALID_SOCKET) closesocket(listener_);  // unblocks accept
    if (thread_.joinable()) thread_.join();
    CloseHandle(release_);
    WSACleanup();
}

unsigned short LoopbackServer::ClosedPort() {
    unsigned short port = 0;
    SOCKET s = Listen(&port);
    closesocket(s);
    WSACleanup();
    return port;
}

void LoopbackServer::Serve() {
    SOCKET client = accept(listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET) return;
    std::string request;
    char buffer[1024];
    while (request.find("\r\n\r\n") == std::string::npos) {
        const int got = recv(client, buffer, sizeof(buffer), 0);
        if (got <= 0) break;
        request.append(buffer, got);
    }
    WaitForSingleObject(release_, 30000);
    const std::string response = "HTTP/1.1 200 OK\r\nContent-Type: audio/mpeg\r\nContent-Length: " +
                                 std::to_string(body_.size()) + "\r\nConnection: close\r\n\r\n" + body_;
    for (size_t sent = 0; sent < response.size();) {
        const int put = send(client, response.data() + sent, static_cast<int>(response.size() - sent), 0);
        if (put <= 0) break;
        sent += put;
    }
    shutdown(client, SD_SEND);
    closesocket(client);
}
