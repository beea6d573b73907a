// The program's window-free decisions: switches, status texts, stored values, proxy
// addresses, dropped file lists, and the drop window's geometry at every display scale.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "app/CommandLine.h"
#include "drop/DropFileList.h"
#include "drop/DroppedText.h"
#include "tests/support/DropFilesBlock.h"
#include "settings/ProxyAddress.h"
#include "settings/RegistryValue.h"
#include "ui/AnnounceGate.h"
#include "ui/DropLayout.h"
#include "ui/PixelImage.h"
#include "ui/PngImage.h"
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

// What a screen reader is told a line says is what DrawText shows of it.
TEST(StatusText, ReadersGetTheLineAsDrawn) {
    EXPECT_EQ(DrawnText(L"Uploading ...rock&roll.mp3"), L"Uploading ...rockroll.mp3");
    EXPECT_EQ(DrawnText(L"Tom && Jerry&"), L"Tom & Jerry&");
    EXPECT_EQ(DrawnText(L"first&\r\nsecond"), L"first&");
    EXPECT_EQ(DrawnText(L"one\ntwo"), L"one");
    EXPECT_EQ(DrawnText(L""), L"");
}

// A storm of changes is told at most once per spacing, the first at once, and what is held is
// told once its time has come; a change after a quiet spell goes at once again.
TEST(AnnounceGate, TellsAtMostOncePerSpacingAndNeverLosesTheLast) {
    AnnounceGate gate(500);
    EXPECT_TRUE(gate.Change(1000));
    EXPECT_EQ(gate.Wait(1000), 0u);
    int told = 1;
    for (std::uint64_t now = 1001; now < 3000; now += 3) {
        told += gate.Change(now);
        if (gate.Due(now)) ++told;
    }
    EXPECT_LE(told, 1 + 2000 / 500);
    EXPECT_TRUE(gate.Held());
    EXPECT_GT(gate.Wait(2999), 0u);
    EXPECT_FALSE(gate.Due(2999 + gate.Wait(2999) - 1));
    EXPECT_TRUE(gate.Due(2999 + gate.Wait(2999)));
    EXPECT_FALSE(gate.Held());
    EXPECT_FALSE(gate.Due(10000));  // nothing held, nothing told
    EXPECT_TRUE(gate.Change(10000));
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
    return DropFilesBlock(paths, wide, offset);
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

TEST(DropLayout, TheWindowAndEverythingInItScaleWithTheDisplay) {
    const LayoutSize at150 = ScaleToDpi(SKIN_SIZE, 144), at200 = ScaleToDpi(SKIN_SIZE, 192);
    EXPECT_EQ(at150.width, 174);
    EXPECT_EQ(at150.height, 144);
    EXPECT_EQ(at200.width, 232);
    EXPECT_EQ(at200.height, 192);
    const LayoutRect line1 = ScaleToDpi(STATUS_LINE1, 192);
    EXPECT_EQ(line1.left, 4);
    EXPECT_EQ(line1.top, 108);
    EXPECT_EQ(line1.right, 216);
    EXPECT_EQ(line1.bottom, 136);
    // Every scale's frames are drawn at exactly the window's size there, and the lines keep
    // inside the band and the band inside the window.
    for (int scale : SKIN_SCALES) {
        const unsigned dpi = static_cast<unsigned>(scale) * LOGICAL_DPI / 100;
        SCOPED_TRACE(scale);
        EXPECT_EQ(SkinScaleFor(dpi), scale);
        const LayoutSize frame = SkinSizeAtScale(scale), window = ScaleToDpi(SKIN_SIZE, dpi);
        EXPECT_EQ(frame.width, window.width);
        EXPECT_EQ(frame.height, window.height);
        const LayoutRect band = ScaleToDpi(STATUS_BAND, dpi);
        for (LayoutRect line : {ScaleToDpi(STATUS_LINE1, dpi), ScaleToDpi(STATUS_LINE2, dpi)}) {
            EXPECT_GE(line.left, band.left);
            EXPECT_GE(line.top, band.top);
            EXPECT_LE(line.right, band.right);
            EXPECT_LE(line.bottom, band.bottom);
            EXPECT_GE(line.bottom - line.top, ScaleToDpi(STATUS_FONT_HEIGHT, dpi));
        }
        EXPECT_LE(band.right, window.width);
        EXPECT_LE(band.bottom, window.height);
    }
}

TEST(DropLayout, TheNearestLargerScaleServesADisplayAndAnyDpiIsHeldToTheRange) {
    EXPECT_EQ(SkinScaleFor(96), 100);
    EXPECT_EQ(SkinScaleFor(97), 125);
    EXPECT_EQ(SkinScaleFor(121), 150);
    EXPECT_EQ(SkinScaleFor(193), 250);
    EXPECT_EQ(SkinScaleFor(MAX_DPI), 300);  // and made larger from there
    EXPECT_EQ(SkinScaleFor(72), 100);        // and made smaller
    EXPECT_EQ(UsableDpi(0), LOGICAL_DPI);
    EXPECT_EQ(UsableDpi(1), MIN_DPI);
    EXPECT_EQ(UsableDpi(0xFFFFFFFFu), MAX_DPI);
    EXPECT_EQ(ScaleToDpi(SKIN_SIZE, 0xFFFF).width, ScaleToDpi(SKIN_SIZE, MAX_DPI).width);
}

TEST(DropLayout, AGrownWindowMovesBackOnlyAsFarAsItsGrowthTookItOffTheMonitor) {
    const int logical = SKIN_SIZE.width, grown = ScaleToDpi(logical, 192);
    // Saved flush with the edge at 100 %: flush again at 200 %.
    EXPECT_EQ(KeepGrowthInside(1280 - logical, grown, logical, 1280), 1280 - grown);
    // Reaching past the edge at 100 % already: it keeps that, and only the growth goes back.
    EXPECT_EQ(KeepGrowthInside(1290 - logical, grown, logical, 1280), 1290 - grown);
    // Room enough, or not grown: where it was.
    EXPECT_EQ(KeepGrowthInside(100, grown, logical, 1280), 100);
    EXPECT_EQ(KeepGrowthInside(1250, logical, logical, 1280), 1250);
    EXPECT_EQ(KeepGrowthInside(INT32_MAX, grown, logical, INT32_MIN), INT32_MAX - (grown - logical));
    EXPECT_EQ(KeepGrowthInside(INT32_MIN, grown, logical, INT32_MAX), INT32_MIN);
}

TEST(PixelImage, ResizingAveragesWhatEachPixelCoversAndRepeatsAtWholeFactors) {
    PixelImage checks{4, 2, {0x000000, 0xFFFFFF, 0x000000, 0xFFFFFF, 0xFFFFFF, 0x000000, 0xFFFFFF, 0x000000}};
    const PixelImage twice = ResizePixels(checks, 8, 4);
    ASSERT_TRUE(twice.Valid());
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(twice.pixels[y * 8 + x], checks.pixels[(y / 2) * 4 + x / 2]) << x << "," << y;
    const PixelImage half = ResizePixels(checks, 2, 1);
    ASSERT_TRUE(half.Valid());
    EXPECT_EQ(half.pixels[0], 0x808080u);  // 127.5, rounded half up
    EXPECT_EQ(half.pixels[1], 0x808080u);
    // Two thirds: the middle target pixel takes half of each of two source pixels.
    PixelImage ramp{3, 1, {0x000000, 0x000090, 0x0000FF}};
    const PixelImage smaller = ResizePixels(ramp, 2, 1);
    ASSERT_TRUE(smaller.Valid());
    EXPECT_EQ(smaller.pixels[0], 0x000030u);  // (0 + 0x90 / 2) / 1.5
    EXPECT_EQ(smaller.pixels[1], 0x0000DAu);  // (0x90 / 2 + 0xFF) / 1.5
    EXPECT_FALSE(ResizePixels(ramp, 0, 1).Valid());
    EXPECT_FALSE(ResizePixels(PixelImage{3, 2, {1, 2, 3}}, 2, 2).Valid());
    EXPECT_FALSE(ResizePixels(ramp, MAX_RESIZE_SIDE + 1, 1).Valid());
}

namespace {

using Bytes = std::vector<uint8_t>;

void PutBig(Bytes& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

// A PNG whose data is stored, not compressed, in blocks of at most `block` bytes: each row is its
// filter byte and its filtered bytes. Chunk checksums are left zero (the reader does not use them).
Bytes StoredPng(uint32_t width, uint32_t height, uint8_t colourType, const Bytes& rows, size_t block = 65535) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto chunk = [&png](const char* type, const Bytes& body) {
        PutBig(png, static_cast<uint32_t>(body.size()));
        png.insert(png.end(), type, type + 4);
        png.insert(png.end(), body.begin(), body.end());
        PutBig(png, 0);
    };
    Bytes header;
    PutBig(header, width);
    PutBig(header, height);
    header.insert(header.end(), {8, colourType, 0, 0, 0});
    chunk("IHDR", header);
    Bytes zlib = {0x78, 0x01};
    for (size_t at = 0; at < rows.size() || at == 0; at += block) {
        const size_t length = std::min(block, rows.size() - at);
        zlib.push_back(at + length >= rows.size() ? 1 : 0);  // last block?
        zlib.insert(zlib.end(), {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                                 static_cast<uint8_t>(~length), static_cast<uint8_t>(~length >> 8)});
        zlib.insert(zlib.end(), rows.begin() + static_cast<long>(at), rows.begin() + static_cast<long>(at + length));
        if (rows.empty()) break;
    }
    uint32_t a = 1, b = 0;
    for (uint8_t byte : rows) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBig(zlib, b << 16 | a);
    chunk("IDAT", zlib);
    chunk("IEND", {});
    return png;
}

Bytes FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(PngImage, EveryRowFilterIsUndoneAndOnlyTheFormsTheSkinUsesAreRead) {
    // 2 x 5 RGB, one row per filter, each to give the pixels 0x102030 and 0x405060.
    const Bytes rows = {
        0, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60,                          // none
        1, 0x10, 0x20, 0x30, 0x30, 0x30, 0x30,                          // left
        2, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,                          // above
        3, 0x08, 0x10, 0x18, 0x18, 0x18, 0x18,                          // average of left and above
        4, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,                          // Paeth: above wins
    };
    const PixelImage image = DecodePng(StoredPng(2, 5, 2, rows, 9).data(), StoredPng(2, 5, 2, rows, 9).size());
    ASSERT_TRUE(image.Valid());
    for (int y = 0; y < 5; ++y) {
        EXPECT_EQ(image.pixels[y * 2], 0x102030u) << y;
        EXPECT_EQ(image.pixels[y * 2 + 1], 0x405060u) << y;
    }
    const Bytes rgba = {0, 1, 2, 3, 4};
    const PixelImage withAlpha = DecodePng(StoredPng(1, 1, 6, rgba).data(), StoredPng(1, 1, 6, rgba).size());
    ASSERT_TRUE(withAlpha.Valid());
    EXPECT_EQ(withAlpha.pixels[0], 0x010203u);

    Bytes bad = StoredPng(2, 5, 2, rows);
    EXPECT_FALSE(DecodePng(bad.data(), bad.size() - 20).Valid());  // cut inside the data
    bad[bad.size() - 20] ^= 1;                                       // a flipped bit: the checksum differs
    EXPECT_FALSE(DecodePng(bad.data(), bad.size()).Valid());
    Bytes filter = rows;
    filter[0] = 5;
    EXPECT_FALSE(DecodePng(StoredPng(2, 5, 2, filter).data(), StoredPng(2, 5, 2, filter).size()).Valid());
    Bytes shortRows(rows.begin(), rows.end() - 1);
    EXPECT_FALSE(DecodePng(StoredPng(2, 5, 2, shortRows).data(), StoredPng(2, 5, 2, shortRows).size()).Valid());
    Bytes palette = StoredPng(2, 5, 3, rows);  // indexed colour: not the skin's
    EXPECT_FALSE(DecodePng(palette.data(), palette.size()).Valid());
    Bytes huge = StoredPng(MAX_RESIZE_SIDE + 1, 1, 2, {});
    EXPECT_FALSE(DecodePng(huge.data(), huge.size()).Valid());
    EXPECT_FALSE(DecodePng(nullptr, 0).Valid());
    const Bytes good = StoredPng(2, 5, 2, rows);
    uint32_t room[11] = {};
    EXPECT_FALSE(DecodePngInto(good.data(), good.size(), room, 11));  // never more or less than the image
    EXPECT_TRUE(DecodePngInto(good.data(), good.size(), room, 10));
    EXPECT_EQ(room[10], 0u);
}

// The generator's PNG at 200 % (compressed with every kind of block the encoder chose), made half
// as large, is the 100 % bitmap give or take the edges of its shapes.
TEST(PngImage, TheSkinAt200PercentReadsAsThe100PercentFrameTwiceAsLarge) {
    const Bytes png = FileBytes(PARCELO_SOURCE_DIR "/res/images/skin_200_0.png");
    const PixelImage large = DecodePng(png.data(), png.size());
    ASSERT_TRUE(large.Valid());
    EXPECT_EQ(large.width, 2 * SKIN_SIZE.width);
    EXPECT_EQ(large.height, 2 * SKIN_SIZE.height);
    const PixelImage half = ResizePixels(large, SKIN_SIZE.width, SKIN_SIZE.height);
    const Bytes bmp = FileBytes(PARCELO_SOURCE_DIR "/res/images/skin_frame0.bmp");
    ASSERT_EQ(bmp.size(), 54u + SKIN_SIZE.width * 3 * SKIN_SIZE.height);  // 24 bpp, rows bottom first, no padding
    double differences = 0;
    for (int y = 0; y < SKIN_SIZE.height; ++y) {
        for (int x = 0; x < SKIN_SIZE.width; ++x) {
            const uint8_t* p = &bmp[54 + ((SKIN_SIZE.height - 1 - y) * SKIN_SIZE.width + x) * 3];
            const uint32_t mine = half.pixels[y * SKIN_SIZE.width + x];
            for (int c = 0; c < 3; ++c) differences += std::abs(int((mine >> (8 * c)) & 0xFF) - p[c]);
        }
    }
    EXPECT_LT(differences / (SKIN_SIZE.width * SKIN_SIZE.height * 3), 4.0);  // on average, in 0..255
}

// Images compressed by the system's zlib (png_corpus.py, at build time) with stored, fixed and
// dynamic blocks, some streams mixing them: each reads pixel for pixel as written. A fixed block
// that names distance code 30 (in the code, never valid) is refused.
TEST(PngImage, ZlibMadeImagesOfEveryBlockKindReadPixelForPixel) {
    std::ifstream manifest(PNG_CORPUS_DIR "/manifest.txt");
    std::map<std::string, int> read;
    int images = 0;
    for (std::string line; std::getline(manifest, line);) {
        std::istringstream words(line);
        std::string name, kind;
        words >> name;
        const Bytes png = FileBytes(PNG_CORPUS_DIR "/" + name + ".png");
        const PixelImage image = DecodePng(png.data(), png.size());
        ++images;
        if (line == name + " refused") {
            EXPECT_FALSE(image.Valid()) << name;
            continue;
        }
        const Bytes expected = FileBytes(PNG_CORPUS_DIR "/" + name + ".pixels");
        ASSERT_TRUE(image.Valid()) << line;
        ASSERT_EQ(expected.size(), image.pixels.size() * 4) << name;
        EXPECT_EQ(std::memcmp(expected.data(), image.pixels.data(), expected.size()), 0) << name;
        while (words >> kind) ++read[kind];
    }
    EXPECT_EQ(images, 73);
    for (const char* kind : {"stored", "fixed", "dynamic"}) EXPECT_GE(read[kind], 10) << kind;
    std::printf("read %d images; streams with stored %d, fixed %d, dynamic %d blocks\n", images - 1, read["stored"],
                read["fixed"], read["dynamic"]);
}
