// The next day: a sign-in with "Auto Sign in" checked is repeated by the next start on its
// own, with the window still hidden, and URLs dropped as text then go to the Locker, from a
// local file and from a web server (on the loopback interface).
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>

#include "agent/AgentProtocol.h"
#include "tests/e2e/UserSessionFixture.h"

using namespace e2e;
using namespace agentproto;

namespace {

// A web server on 127.0.0.1 that answers GET /remote.mp3 with `body` and anything else with
// 404; it records each request line. Ends with the object.
class LoopbackServer {
public:
    explicit LoopbackServer(std::string body) : body_(std::move(body)) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        int length = sizeof address;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 4) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        port_ = ntohs(address.sin_port);
        InitializeCriticalSection(&lock_);
        thread_ = CreateThread(nullptr, 0, &LoopbackServer::Serve, this, 0, nullptr);
    }
    ~LoopbackServer() {
        stop_ = true;
        if (thread_) {
            WaitForSingleObject(thread_, 10000);
            CloseHandle(thread_);
            DeleteCriticalSection(&lock_);
        }
        closesocket(listener_);
        WSACleanup();
    }
    int Port() const { return port_; }
    std::vector<std::string> Requests() {
        EnterCriticalSection(&lock_);
        std::vector<std::string> copy = requests_;
        LeaveCriticalSection(&lock_);
        return copy;
    }

private:
    static DWORD WINAPI Serve(void* self) {
        auto* server = static_cast<LoopbackServer*>(self);
        while (!server->stop_) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(server->listener_, &readable);
            timeval tick = {0, 100000};
            if (select(0, &readable, nullptr, nullptr, &tick) != 1) continue;
            SOCKET client = accept(server->listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) continue;
            server->Answer(client);
            closesocket(client);
        }
        return 0;
    }
    void Answer(SOCKET client) {
        DWORD timeout = 5000;
        setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
        std::string request;
        char chunk[4096];
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
            const int got = recv(client, chunk, sizeof chunk, 0);
            if (got <= 0) return;
            request.append(chunk, got);
        }
        const std::string line = request.substr(0, request.find("\r\n"));
        EnterCriticalSection(&lock_);
        requests_.push_back(line);
        LeaveCriticalSection(&lock_);
        const bool found = line.compare(0, 16, "GET /remote.mp3 ") == 0;
        const std::string content = found ? body_ : std::string("not here");
        const std::string reply = std::string(found ? "HTTP/1.1 200 OK" : "HTTP/1.1 404 Not Found") +
                                  "\r\nContent-Type: audio/mpeg\r\nContent-Length: " + std::to_string(content.size()) +
                                  "\r\nConnection: close\r\n\r\n" + content;
        for (size_t sent = 0; sent < reply.size();) {
            const int put = send(client, reply.data() + sent, static_cast<int>(reply.size() - sent), 0);
            if (put <= 0) break;
            sent += static_cast<size_t>(put);
        }
        shutdown(client, SD_SEND);
    }

    std::string body_;
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    HANDLE thread_ = nullptr;
    std::atomic<bool> stop_{false};
    CRITICAL_SECTION lock_;
    std::vector<std::string> requests_;
};

// Drags `text` from the second Windows program onto the window and waits for the drop.
DWORD DropText(HWND window, const std::string& text) {
    Process source(UserSessionTest::DragSourceCommand({200, 200}, "text", text));
    HWND handle = UserSessionTest::DragSourceWindow(source);
    if (!handle) return 0xFFFFFFFF;
    UserSessionTest::DragWithMouse(handle, window);
    const DWORD outcome = source.WaitForExit();
    MoveMouse({10, 500});
    return outcome;
}

}  // namespace

class SecondStartTest : public UserSessionTest {};

TEST_F(SecondStartTest, AnAutomaticSignInIsRepeatedAtTheNextStartWhichThenUploadsDroppedUrls) {
    const std::string user = std::string(PRODUCT_KEY) + "\\User";
    {
        Parcelo first;
        HWND window = first.Window();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(window) != FALSE; }));
        ASSERT_TRUE(WaitUntilReadyForKeys(window));
        PressKeys({VK_CONTROL, 'S'});  // "Sign in..." from the keyboard
        ConfirmSignIn(first, "auto pass", true);
        ASSERT_TRUE(WaitForStatus(window, "Drag files here", ""));
        DWORD agent = 0;
        ExitThroughMenu(first, window, &agent);
        ASSERT_EQ(first.WaitForExit(), 0u);
        EXPECT_TRUE(WaitForProcessEnd(agent)) << "the agent outlived the program";
    }
    // Kept as typed: the password in plain text.
    EXPECT_EQ(ReadText(HKEY_CURRENT_USER, user, "User name"), account_);
    EXPECT_EQ(ReadText(HKEY_CURRENT_USER, user, "Password"), "auto pass");
    EXPECT_EQ(ReadNumber(HKEY_CURRENT_USER, user, "Auto Login"), 1u);

    // Started the way the system starts it at log-on: no switch, the window hidden.
    Parcelo second("");
    HWND window = second.Window();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return script.LoggedCalls(DispSignIn).size() == 2; }))
        << "the second start did not sign in by itself";
    EXPECT_NE(script.LoggedCalls(DispSignIn)[1].find("\t8:" + account_ + "\t8:auto pass\t"), std::string::npos)
        << script.LoggedCalls(DispSignIn)[1];
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(second.FindWindowOf("#32770"), nullptr) << "a dialog or box at an automatic start";

    HWND tray = FindWindowA(nullptr, "Wine System Tray");
    ASSERT_NE(tray, nullptr);
    RECT client = {};
    GetClientRect(tray, &client);
    POINT icon = {client.bottom / 2, client.bottom / 2};
    ClientToScreen(tray, &icon);
    DoubleClickLeft(icon);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(window) != FALSE; }));
    ASSERT_TRUE(WaitForStatus(window, "Drag files here", ""));

    // A local file named by a URL.
    const std::string tune = MakeSong("tune.mp3");
    std::string url = "file:///" + tune;
    for (char& c : url)
        if (c == '\\') c = '/';
    EXPECT_EQ(DropText(window, url), 0x100u | DROPEFFECT_COPY);
    ASSERT_TRUE(WaitForLockerFile("tune.mp3"));
    EXPECT_EQ(Contents(InLocker("tune.mp3")), Contents(tune));

    // A song on a web server.
    std::string remote = "ID3";
    for (int i = 0; remote.size() < 100000; ++i) remote += static_cast<char>(i * 31);
    LoopbackServer server(remote);
    ASSERT_NE(server.Port(), 0);
    const std::string web = "http://127.0.0.1:" + std::to_string(server.Port()) + "/remote.mp3";
    EXPECT_EQ(DropText(window, web), 0x100u | DROPEFFECT_COPY);
    ASSERT_TRUE(WaitForLockerFile("remote.mp3"));
    EXPECT_EQ(Contents(InLocker("remote.mp3")), remote);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0], "GET /remote.mp3 HTTP/1.1");

    const std::vector<std::string> uploads = script.LoggedCalls(DispUpload);
    ASSERT_EQ(uploads.size(), 2u);
    EXPECT_NE(uploads[0].find("\t8:" + url + "\t"), std::string::npos) << uploads[0];
    EXPECT_NE(uploads[1].find("\t8:" + web + "\t"), std::string::npos) << uploads[1];
    EXPECT_EQ(script.LoggedCalls(DispSignIn).size(), 2u);

    ExitThroughMenu(second, window);
    EXPECT_EQ(second.WaitForExit(), 0u);
}
