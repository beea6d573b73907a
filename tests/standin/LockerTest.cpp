// What the Locker keeps: nothing overwritten, names any file system takes, and only songs
// fetched from where they may be fetched, within bounds.
#include <shlobj.h>

#include "UploadFixture.h"

namespace {

std::wstring WebUrl(const LoopbackServer& server, const wchar_t* path) {
    return L"http://127.0.0.1:" + std::to_wstring(server.Port()) + path;
}

bool SendText(SOCKET client, const std::string& text) {
    return send(client, text.data(), static_cast<int>(text.size()), 0) == static_cast<int>(text.size());
}

// Answers as web servers do that a dropped ".mp3" link may reach.
void AnswerOddly(SOCKET client, const std::string& request) {
    const std::string audio = "HTTP/1.1 200 OK\r\nContent-Type: audio/mpeg\r\nConnection: close\r\n";
    const auto asks = [&](const char* path) { return request.find(path) != std::string::npos; };
    if (asks("/live.mp3")) {  // a radio stream: no length, bytes for ever (here 20 s at most)
        if (SendText(client, audio + "\r\nID3"))
            for (int i = 0; i < 200 && SendText(client, "x"); ++i) Sleep(100);
    } else if (asks("/stalled.mp3")) {  // starts, then sends nothing until the client goes
        char byte;
        if (SendText(client, audio + "\r\nID3"))
            for (int i = 0; i < 4 && recv(client, &byte, 1, 0) != 0; ++i) {}
    } else if (asks("/page.mp3")) {
        SendText(client, "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 20\r\nConnection: close\r\n\r\n"
                         "<html>Sign in</html>");
    } else if (asks("/moved.mp3")) {
        SendText(client, "HTTP/1.1 302 Found\r\nLocation: /page.mp3\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    } else if (asks("/huge.mp3")) {
        SendText(client, audio + "Content-Length: 30000000\r\n\r\nID3");
    } else if (asks("/fake.mp3")) {  // an audio type on a page
        SendText(client, audio + "Content-Length: 13\r\n\r\n<html></html>");
    }
}

}  // namespace

TEST_F(UploadTest, SameNamesFromTwoAlbumsAreBothKeptAndTheSameSongOnce) {
    const std::string account = SignedIn("albums");
    ASSERT_TRUE(CreateDirectoryW((scratch_ + L"\\AlbumOne").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((scratch_ + L"\\AlbumTwo").c_str(), nullptr));
    const std::wstring one = WriteSource(L"AlbumOne\\01 Track 01.mp3", 1000);
    const std::wstring two = WriteSource(L"AlbumTwo\\01 Track 01.mp3", 2000);

    UploadInOneRun({one, two, one});
    ASSERT_TRUE(sink_.WaitForStatus(11));
    EXPECT_EQ("S13 S13 S13 S13 S11", sink_.Statuses());
    ExpectCopied(Contents(one), LockerOf(account) + L"\\01 Track 01.mp3");
    ExpectCopied(Contents(two), LockerOf(account) + L"\\01 Track 01 (2).mp3");
    EXPECT_FALSE(Exists(LockerOf(account) + L"\\01 Track 01 (3).mp3"));  // the same song is kept once
}

TEST_F(UploadTest, LongNamesAndDeviceNamesAreStoredAsOrdinaryFiles) {
    // "con.<...>" names the console device in a plain path; the Locker escapes it.
    const std::wstring pid = std::to_wstring(GetCurrentProcessId());
    const std::wstring account = L"con.standin-" + pid + L"@example.com";
    Forget(account);
    ASSERT_EQ(1, SignIn(agent_.Get(), account, L"pw"));
    ASSERT_TRUE(sink_.WaitForStatus(11));
    sink_.Clear();
    const std::wstring locker = L"\\\\?\\" + scratch_ + L"\\Locker\\con#.standin-" + pid + L"@example.com";
    const std::wstring longName = std::wstring(196, L'n') + L".mp3";  // the Locker path passes MAX_PATH
    const std::wstring source = WriteSource(longName.c_str(), 3000);
    LoopbackServer server("ID3 on a device's name");

    UploadInOneRun({source, WebUrl(server, L"/aux.mp3")});
    ASSERT_TRUE(sink_.WaitForStatus(11));
    EXPECT_EQ("S13 S13 S13 S11", sink_.Statuses());
    ExpectCopied(Contents(source), locker + L"\\" + longName);
    ExpectCopied("ID3 on a device's name", locker + L"\\aux#.mp3");
}

TEST_F(UploadTest, DownloadsThatAreNoSongOrNeverEndFailInTimeAndTheQueueGoesOn) {
    const std::string account = SignedIn("bounded");
    // A minute without bytes and ten in all, shortened for the test.
    SetScript("DownloadStallMs", 1000);
    SetScript("DownloadTotalMs", 3000);
    LoopbackServer odd(&AnswerOddly);
    const std::wstring good = WriteSource(L"after.mp3", 5000);

    UploadInOneRun({WebUrl(odd, L"/live.mp3"), WebUrl(odd, L"/stalled.mp3"), WebUrl(odd, L"/page.mp3"),
                    WebUrl(odd, L"/moved.mp3"), WebUrl(odd, L"/huge.mp3"), WebUrl(odd, L"/fake.mp3"), good});
    // Well before the stream's own end, 20 s on.
    ASSERT_TRUE(sink_.WaitForStatus(11, 15000)) << sink_.Joined();
    EXPECT_EQ("S13 S13 S112 S13 S112 S13 S112 S13 S112 S13 S112 S13 S112 S13 S11", sink_.Statuses());
    ExpectCopied(Contents(good), LockerOf(account) + L"\\after.mp3");
    for (const wchar_t* name : {L"\\live.mp3", L"\\live.mp3.part", L"\\page.mp3", L"\\fake.mp3"})
        EXPECT_FALSE(Exists(LockerOf(account) + name)) << Utf8(name);
}

TEST_F(UploadTest, FileUrlOfAnotherHostIsRefusedWithoutOpeningTheShare) {
    // Under Wine "\\host\share" is the prefix's folder dosdevices\unc\host\share: a share that
    // answers, as one on the network would.
    wchar_t prefix[MAX_PATH] = {};
    ASSERT_NE(0u, GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH));
    std::wstring host = L"standin-share-" + std::to_wstring(GetCurrentProcessId());
    std::wstring share = L"Z:" + std::wstring(prefix) + L"\\dosdevices\\unc\\" + host;
    for (wchar_t& c : share)
        if (c == L'/') c = L'\\';
    struct RemoveShare {
        std::wstring folder;
        ~RemoveShare() { RemoveTree(folder); }
    } removeShare{share};
    ASSERT_EQ(ERROR_SUCCESS, SHCreateDirectoryExW(nullptr, (share + L"\\music").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(share + L"\\music\\shared.mp3", "ID3 on a share"));
    const std::string account = SignedIn("hosts");
    std::wstring local = FileUrl(WriteSource(L"local.mp3", 1000));
    local.replace(0, 8, L"file://localhost/");

    UploadInOneRun({L"file://" + host + L"/music/shared.mp3", local});
    ASSERT_TRUE(sink_.WaitForStatus(11));
    EXPECT_EQ("S13 S13 S112 S13 S11", sink_.Statuses());
    EXPECT_FALSE(Exists(LockerOf(account) + L"\\shared.mp3"));
    ExpectCopied(Contents(scratch_ + L"\\local.mp3"), LockerOf(account) + L"\\local.mp3");
}
