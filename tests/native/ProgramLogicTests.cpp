// The program's window-free decisions: switches, status texts, stored values, proxy
// addresses and dropped file lists.
#include <gtest/gtest.h>

#include <cstring>

#include "app/CommandLine.h"
#include "drop/DropFileList.h"
#include "drop/DroppedText.h"
#include "settings/ProxyAddress.h"
#include "settings/RegistryValue.h"
#include "ui/StatusText.h"

TEST(CommandLine, FirstSwitchInTableOrderWins) {
    EXPECT_EQ(FindStartSwitch(L"p.exe"), StartSwitch::None);
    EXPECT_EQ(FindStartSwitch(nullptr), StartSwitch::None);
    EXPECT_EQ(FindStartSwitch(L"p.exe /clearreg /showparcelo"), StartSwitch::ShowParcelo);
    EXPECT_EQ(FindStartSwitch(L"p.exe /showparcelo /registeruser"), StartSwitch::RegisterUser);
    EXPECT_EQ(FindStartSwitch(L"p.exe /clearreg"), StartSwitch::ClearSettings);
    EXPECT_EQ(FindStartSwitch(L"p.exe /clearregistry"), StartSwitch::ClearSettings);
    EXPECT_EQ(FindStartSwitch(L"p.exe/clearreg"), StartSwitch::None);
    EXPECT_EQ(FindStartSwitch(L"p.exe /ClearReg"), StartSwitch::None);
    EXPECT_EQ(FindStartSwitch(L"\"C:\\Program Files\\p.exe\" -x /showparcelo"), StartSwitch::ShowParcelo);
    EXPECT_EQ(FindStartSwitch(L"C:\\\u0414\u043c\u0438\u0442\u0440\u0438\u0439\\p.exe /showparcelo"),
              StartSwitch::ShowParcelo);
}

TEST(StatusText, UploadingShowsAtMostTheLastTenCharacters) {
    EXPECT_EQ(UploadingText(L"0123456789"), L"Uploading 0123456789");
    EXPECT_EQ(UploadingText(L"X0123456789"), L"Uploading ...0123456789");
    EXPECT_EQ(UploadingText(L""), L"Uploading ");
    EXPECT_EQ(UploadingText(nullptr), L"Uploading ");
    EXPECT_EQ(UploadingText(L"%s%n%d.mp3"), L"Uploading %s%n%d.mp3");
    EXPECT_EQ(UploadingText(std::wstring(5000, L'a').c_str()), L"Uploading ..." + std::wstring(10, L'a'));
    // Characters, not bytes: a Cyrillic or Japanese name keeps its last ten letters.
    EXPECT_EQ(UploadingText(L"\u041f\u0435\u0441\u043d\u044f \u043e \u043b\u0435\u0442\u0435.mp3"),
              L"Uploading ...\u043e \u043b\u0435\u0442\u0435.mp3");
    // A surrogate pair (here U+1F3B5) is one character and is never cut in half.
    const std::wstring note = {wchar_t(0xD83C), wchar_t(0xDFB5)};
    EXPECT_EQ(UploadingText((note + L"123456789").c_str()), L"Uploading " + note + L"123456789");
    EXPECT_EQ(UploadingText((L"x" + note + L"123456789").c_str()), L"Uploading ..." + note + L"123456789");
    EXPECT_EQ(UploadingText((note + note + L"12345678" + note).c_str()),
              L"Uploading ..." + note + L"12345678" + note);
    // A lone half counts as a character of its own.
    const std::wstring lone = {wchar_t(0xDFB5)};
    EXPECT_EQ(UploadingText((L"ab" + lone + L"123456789").c_str()), L"Uploading ..." + lone + L"123456789");
}

TEST(StatusText, ProgressShowsTheCountOnlyWhenKnown) {
    int three = 3, none = 0;
    EXPECT_EQ(ProgressText(40, &three), L"40% done (3 to go)");
    EXPECT_EQ(ProgressText(100, &none), L"100% done (0 to go)");
    EXPECT_EQ(ProgressText(-32768, &three), L"-32768% done (3 to go)");
    EXPECT_EQ(ProgressText(40, nullptr), L"40% done");
}

TEST(ProxyAddress, AcceptsFourGroupsUpTo255AndNothingElse) {
    for (const wchar_t* good : {L"10.0.0.1", L"0.0.0.0", L"255.255.255.255", L"001.002.003.004", L"1.2.3.4"})
        EXPECT_TRUE(IsValidProxyAddress(good));
    for (const wchar_t* bad : {L"256.1.1.1", L"1.2.3", L"1.2.3.4.5", L"1..2.3", L".1.2.3", L"1.2.3.4.", L"1.2.3.4:80",
                               L" 1.2.3.4", L"1.2.3.4 ", L"proxy.example", L"", L"1.2.3.-4", L"0001.2.3.4.",
                               L"9999.1.1.1", L"1.2.3.\u00b9", L"0000000000001.1", L"1.2.3.\u0664", L"1.2.3.\uff14"})
        EXPECT_FALSE(IsValidProxyAddress(bad));
    EXPECT_FALSE(IsValidProxyAddress(L"1.1.1.1111111111"));  // 16 characters
    EXPECT_FALSE(IsValidProxyAddress(nullptr));
}

namespace {

// A text as the registry's wide functions return it: UTF-16, little-endian.
std::vector<unsigned char> Utf16Bytes(const std::wstring& text, bool terminated = true) {
    std::vector<unsigned char> bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<unsigned char>(c & 0xFF));
        bytes.push_back(static_cast<unsigned char>((c >> 8) & 0xFF));
    }
    if (terminated) bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

}  // namespace

TEST(RegistryValue, TextsAreTakenOnlyWhenTheyFitAndNeverReadPastTheirBytes) {
    std::wstring out = L"kept";
    const auto fifteen = Utf16Bytes(L"123456789012345");  // 16 characters with its NUL
    EXPECT_TRUE(DecodeText(fifteen.data(), fifteen.size(), PROXY_LIMIT, out));
    EXPECT_EQ(out, L"123456789012345");
    const auto sixteen = Utf16Bytes(L"1234567890123456");
    out = L"kept";
    EXPECT_FALSE(DecodeText(sixteen.data(), sixteen.size(), PROXY_LIMIT, out));
    EXPECT_EQ(out, L"kept");
    const auto unterminated = Utf16Bytes(L"abc", false);
    EXPECT_TRUE(DecodeText(unterminated.data(), unterminated.size(), PROXY_LIMIT, out));
    EXPECT_EQ(out, L"abc");
    const auto sixteenUnterminated = Utf16Bytes(L"1234567890123456", false);  // no room left for a NUL
    EXPECT_FALSE(DecodeText(sixteenUnterminated.data(), sixteenUnterminated.size(), PROXY_LIMIT, out));
    auto odd = Utf16Bytes(L"ab", false);
    odd.push_back('c');  // half a character: not one
    EXPECT_TRUE(DecodeText(odd.data(), odd.size(), PROXY_LIMIT, out));
    EXPECT_EQ(out, L"ab");
    const auto embedded = Utf16Bytes(std::wstring(L"a\0b", 3));
    EXPECT_TRUE(DecodeText(embedded.data(), embedded.size(), NAME_LIMIT, out));
    EXPECT_EQ(out, L"a");
    const auto cyrillic = Utf16Bytes(L"\u0414\u043c\u0438\u0442\u0440\u0438\u0439 \u043f\u0430\u0440\u043e\u043b\u044c");
    EXPECT_TRUE(DecodeText(cyrillic.data(), cyrillic.size(), NAME_LIMIT, out));
    EXPECT_EQ(out, L"\u0414\u043c\u0438\u0442\u0440\u0438\u0439 \u043f\u0430\u0440\u043e\u043b\u044c");
    const auto longest = Utf16Bytes(std::wstring(NAME_LIMIT - 1, L'\u65e5'));  // 199 characters, 400 bytes
    EXPECT_TRUE(DecodeText(longest.data(), longest.size(), NAME_LIMIT, out));
    EXPECT_EQ(out.size(), NAME_LIMIT - 1);
    EXPECT_TRUE(DecodeText(nullptr, 0, NAME_LIMIT, out));
    EXPECT_EQ(out, L"");
}

TEST(RegistryValue, NumbersAreExactlyFourLittleEndianBytes) {
    int32_t value = 77;
    const unsigned char negative[] = {0xF6, 0xFF, 0xFF, 0xFF};
    EXPECT_TRUE(DecodeNumber(negative, 4, value));
    EXPECT_EQ(value, -10);
    value = 77;
    const unsigned char two[] = {0x34, 0x12};
    EXPECT_FALSE(DecodeNumber(two, 2, value));  // no guessing at the missing high bytes
    const unsigned char eight[8] = {1};
    EXPECT_FALSE(DecodeNumber(eight, 8, value));
    EXPECT_FALSE(DecodeNumber(nullptr, 0, value));
    EXPECT_EQ(value, 77);
}

TEST(RegistryValue, UseProxyMeansTrueOrYesInAnyCase) {
    for (const wchar_t* on : {L"true", L"True", L"tRuE", L"YES", L"yes"}) EXPECT_EQ(DecodeUseProxy(on), 1);
    for (const wchar_t* off : {L"yes ", L"1", L"on", L"", L"truex", L"ye", L"false", L"tru\u0415"})
        EXPECT_EQ(DecodeUseProxy(off), 0);
}

namespace {

std::vector<unsigned char> Block(bool wide, const std::vector<std::string>& paths, uint32_t offset = 20) {
    std::vector<unsigned char> block(offset, 0);
    block[0] = static_cast<unsigned char>(offset);
    block[16] = wide ? 1 : 0;
    for (const std::string& path : paths) {
        for (char c : path) {
            block.push_back(static_cast<unsigned char>(c));
            if (wide) block.push_back(0);
        }
        block.push_back(0);
        if (wide) block.push_back(0);
    }
    block.push_back(0);
    if (wide) block.push_back(0);
    return block;
}

}  // namespace

TEST(DropFileList, ReadsNarrowAndWideListsInOrder) {
    auto narrow = Block(false, {"C:\\a.mp3", "C:\\b c.mp3"});
    auto paths = ParseDropFiles(narrow.data(), narrow.size());
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(paths[1].narrow, "C:\\b c.mp3");
    auto wide = Block(true, {"Z:\\x.wav"});
    paths = ParseDropFiles(wide.data(), wide.size());
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_TRUE(paths[0].wide);
    EXPECT_EQ(paths[0].utf16, u"Z:\\x.wav");
    auto empty = Block(false, {});
    EXPECT_TRUE(ParseDropFiles(empty.data(), empty.size()).empty());
    const std::string longPath(400, 'p');
    auto longer = Block(false, {longPath});
    EXPECT_EQ(ParseDropFiles(longer.data(), longer.size())[0].narrow, longPath);  // never cut
}

TEST(DropFileList, AMalformedBlockIsNeverReadPastItsEnd) {
    auto block = Block(false, {"C:\\a.mp3"});
    EXPECT_TRUE(ParseDropFiles(block.data(), 19).empty());  // shorter than its header
    block[0] = 0xFF;
    block[1] = 0xFF;  // the list would start far outside
    EXPECT_TRUE(ParseDropFiles(block.data(), block.size()).empty());
    block[0] = 4;
    block[1] = 0;  // inside the header
    EXPECT_TRUE(ParseDropFiles(block.data(), block.size()).empty());
    auto cut = Block(false, {"C:\\abc.mp3"});
    cut.resize(cut.size() - 4);  // no terminator at all: "C:\abc.m" would name another file
    EXPECT_TRUE(ParseDropFiles(cut.data(), cut.size()).empty());
    auto odd = Block(true, {"ab"});
    odd.resize(odd.size() - 3);  // ends inside a UTF-16 unit
    EXPECT_TRUE(ParseDropFiles(odd.data(), odd.size()).empty());
    auto padded = Block(true, {"ab"});
    padded.push_back(0x41);  // an odd byte after a complete list is never read
    EXPECT_EQ(ParseDropFiles(padded.data(), padded.size()).size(), 1u);
}

TEST(DroppedText, StopsAtTheFirstNulOrTheEndOfTheBlock) {
    const char unterminated[] = {'a', 'b', 'c'};
    EXPECT_EQ(TextFromBlock(unterminated, 3), "abc");
    EXPECT_EQ(TextFromBlock("line 1\r\nline 2\0tail", 20), "line 1\r\nline 2");
    EXPECT_EQ(TextFromBlock(nullptr, 5), "");
    EXPECT_EQ(TextFromBlock("x", 0), "");
    const unsigned char wide[] = {'a', 0, 0x14, 0x04, 0, 0, 'z', 0};
    EXPECT_EQ(TextFromWideBlock(wide, 8), L"a\u0414");
    EXPECT_EQ(TextFromWideBlock(wide, 3), L"a");  // half a unit at the end is no character
    EXPECT_EQ(TextFromWideBlock(wide, 4), L"a\u0414");  // unterminated: up to the block's end
    EXPECT_EQ(TextFromWideBlock(nullptr, 8), L"");
}
