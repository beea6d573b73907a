// Uploads into the local Locker: the notification sequence, refused items, URLs, the quota.
#include "UploadFixture.h"
#include "tests/support/LoopbackServer.h"

using namespace agentproto;

TEST_F(UploadTest, SignedOutUploadAndOpenLockerGive109) {
    Upload(WriteSource(L"a.mp3", 10));
    ASSERT_TRUE(sink_.WaitForStatus(109));
    EXPECT_EQ(0, FilesToGo());
    sink_.Clear();
    VARIANT inner;
    VariantInit(&inner);
    EXPECT_HRESULT_SUCCEEDED(Call(agent_.Get(), DispOpenLocker, {RefTo(&inner)}));
    ASSERT_TRUE(sink_.WaitForStatus(109));
    EXPECT_EQ("S109", sink_.Joined());
}

TEST_F(UploadTest, AudioFileIsCopiedWithProgressInOrder) {
    const std::string account = SignedIn("copy");
    const std::wstring source = WriteSource(L"Song One.MP3", 100 * 1024);  // two 64 KiB chunks

    Upload(source);
    ASSERT_TRUE(sink_.WaitForStatus(11));
    EXPECT_EQ("S13 P0 P64 P100 P-1 S11", sink_.Joined());
    ExpectCopied(Contents(source), LockerOf(account) + L"\\Song One.MP3");
    EXPECT_EQ(0, FilesToGo());
    EXPECT_EQ(source, CurrentFileName());  // kept for a client that asks after the end
}

TEST_F(UploadTest, RefusedItemsReportTheirCodeAndTheQueueGoesOn) {
    const std::string account = SignedIn("refused");
    // A download held by the server keeps the worker busy until every item is queued.
    LoopbackServer server("ID3first", true);
    const std::wstring good = WriteSource(L"track two.mp3", 5000);
    const std::wstring closed = L"http://127.0.0.1:" + std::to_wstring(LoopbackServer::ClosedPort()) + L"/gone.mp3";

    Upload(L"http://127.0.0.1:" + std::to_wstring(server.Port()) + L"/first.mp3");
    Upload(WriteSource(L"notes.txt", 10));                   // not audio
    Upload(scratch_ + L"\\missing.ogg");                    // cannot be read
    Upload(FileUrl(WriteSource(L"clip.wav", 10)));           // a URL must name an mp3
    Upload(L"http://127.0.0.1/page.html");
    Upload(FileUrl(scratch_ + L"\\missing.mp3"));           // fetch fails
    Upload(closed);
    Upload(FileUrl(good));
    EXPECT_EQ(8, FilesToGo());
    server.Release();
    ASSERT_TRUE(sink_.WaitForStatus(11));
    EXPECT_EQ("S13 S13 S121 S13 S111 S13 S114 S13 S114 S13 S112 S13 S112 S13 S11", sink_.Statuses());
    ExpectCopied("ID3first", LockerOf(account) + L"\\first.mp3");
    ExpectCopied(Contents(good), LockerOf(account) + L"\\track two.mp3");
    EXPECT_FALSE(Exists(LockerOf(account) + L"\\notes.txt"));
}

TEST_F(UploadTest, FullLockerGives113AndCancelsWhatIsPending) {
    const std::string account = SignedIn("quota");
    SetAgentValue("QuotaBytes", 150000);
    const std::string first = "ID3" + std::string(100000, 'q');
    LoopbackServer server(first, true);  // holds the worker until all is queued

    Upload(L"http://127.0.0.1:" + std::to_wstring(server.Port()) + L"/1.mp3");
    Upload(WriteSource(L"2.mp3", 100000));
    Upload(WriteSource(L"3.mp3", 100));
    server.Release();
    ASSERT_TRUE(sink_.WaitForStatus(11));
    EXPECT_EQ("S13 S13 S113 S11", sink_.Statuses());
    EXPECT_EQ(0, FilesToGo());
    ExpectCopied(first, LockerOf(account) + L"\\1.mp3");
    for (const wchar_t* name : {L"\\2.mp3", L"\\3.mp3", L"\\2.mp3.part"}) {
        EXPECT_FALSE(Exists(LockerOf(account) + name)) << name;
    }
}

TEST_F(UploadTest, WebDownloadIsQueuedFirstAndCountedWhileItRuns) {
    const std::string account = SignedIn("web");
    std::string body = "ID3" + std::string(70000, 'x');
    LoopbackServer server(body, true);
    ASSERT_NE(0, server.Port());
    const std::wstring local = WriteSource(L"after.flac", 1000);

    const std::wstring url = L"http://127.0.0.1:" + std::to_wstring(server.Port()) + L"/live%20set.mp3";
    Upload(L" " + url + L"\r\n");
    Upload(local);
    // The server holds its answer, so the first item is still in progress here.
    ASSERT_TRUE(sink_.WaitForStatus(13));
    EXPECT_EQ(2, FilesToGo());
    EXPECT_EQ(url, CurrentFileName());

    server.Release();
    ASSERT_TRUE(sink_.WaitForStatus(11));
    EXPECT_EQ("S13 S13 S11", sink_.Statuses());
    ExpectCopied(body, LockerOf(account) + L"\\live set.mp3");
    ExpectCopied(Contents(local), LockerOf(account) + L"\\after.flac");
}
