// The program's resources, loaded through Win32 from this test exe's own module, which links the
// same resource object as the program. Each group checks what the program and the user rely on:
// sizes, ids, styles, texts and the order in which things appear.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <oleacc.h>
#include <wincodec.h>

#include <algorithm>
#include <cwctype>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/support/DisplayScale.h"
#include "tests/support/Files.h"
#include "tests/support/Owned.h"
#include "tests/support/WindowFacts.h"
#include "ui/DropLayout.h"
#include "ui/PngImage.h"
#include "win/ComPtr.h"

namespace {

HMODULE Self() { return GetModuleHandleW(nullptr); }

// Bytes of a raw resource as the resource compiler stored it.
std::vector<BYTE> RawResource(LPCWSTR name, LPCWSTR type) {
    HRSRC found = FindResourceW(Self(), name, type);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(Self(), found);
    const BYTE* bytes = static_cast<const BYTE*>(LockResource(loaded));
    return std::vector<BYTE>(bytes, bytes + SizeofResource(Self(), found));
}

// ------------------------------------------------------------------------ skin bitmaps

const int FRAMES[] = {IDB_SKIN_FRAME0, IDB_SKIN_FRAME1, IDB_SKIN_FRAME2, IDB_SKIN_FRAME3};

// Where the program prints its two status lines: (2, 54)-(108, 68) and (2, 67)-(108, 80), with a
// little room above and below.
constexpr RECT TEXT_BAND = {2, 52, 108, 82};

struct Rgb {
    BYTE r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

// A frame loaded as a DIB section, so its pixels are exactly the resource's.
class SkinFrame {
public:
    explicit SkinFrame(int id)
        : owned_(static_cast<HBITMAP>(LoadImageW(Self(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION))),
          bitmap(owned_.Get()) {
        if (bitmap) GetObjectW(bitmap, sizeof(section), &section);
    }

    // Top-down coordinates, as on screen; the DIB itself is stored bottom-up.
    Rgb At(int x, int y) const {
        const BYTE* bits = static_cast<const BYTE*>(section.dsBm.bmBits);
        const BYTE* p = bits + (SKIN_SIZE.height - 1 - y) * section.dsBm.bmWidthBytes + x * 3;
        return {p[2], p[1], p[0]};
    }

private:
    OwnedBitmap owned_;

public:
    HBITMAP bitmap;
    DIBSECTION section = {};
};

TEST(SkinBitmaps, EachFrameIs116By96At24BitsPerPixel) {
    for (int id : FRAMES) {
        SCOPED_TRACE(id);
        std::vector<BYTE> raw = RawResource(MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(2) /* RT_BITMAP */);
        ASSERT_GE(raw.size(), sizeof(BITMAPINFOHEADER));
        BITMAPINFOHEADER header;
        std::memcpy(&header, raw.data(), sizeof header);
        EXPECT_EQ(SKIN_SIZE.width, header.biWidth);
        EXPECT_EQ(SKIN_SIZE.height, header.biHeight);
        EXPECT_EQ(24, header.biBitCount);
        EXPECT_EQ(static_cast<DWORD>(BI_RGB), header.biCompression);

        // The program's path: LoadBitmap gives a device bitmap of the same size.
        const OwnedBitmap device(LoadBitmapW(Self(), MAKEINTRESOURCEW(id)));
        ASSERT_TRUE(device);
        BITMAP info = {};
        GetObjectW(device.Get(), sizeof info, &info);
        EXPECT_EQ(SKIN_SIZE.width, info.bmWidth);
        EXPECT_EQ(SKIN_SIZE.height, info.bmHeight);

        SkinFrame frame(id);
        ASSERT_NE(nullptr, frame.bitmap);
        EXPECT_EQ(24, frame.section.dsBmih.biBitCount);
    }
}

// How many pixels of `area` two frames differ in.
int Differing(const SkinFrame& a, const SkinFrame& b, const RECT& area) {
    int differing = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (!(a.At(x, y) == b.At(x, y))) ++differing;
    return differing;
}

TEST(SkinBitmaps, FramesShowTheSwirlAtDifferentAngles) {
    SkinFrame frames[4] = {SkinFrame(IDB_SKIN_FRAME0), SkinFrame(IDB_SKIN_FRAME1), SkinFrame(IDB_SKIN_FRAME2),
                           SkinFrame(IDB_SKIN_FRAME3)};
    for (const SkinFrame& f : frames) ASSERT_NE(nullptr, f.bitmap);
    // A swirl turned to another angle changes much of the picture, not a stray pixel.
    for (int a = 0; a < 4; ++a)
        for (int b = a + 1; b < 4; ++b)
            EXPECT_GT(Differing(frames[a], frames[b], {0, 0, SKIN_SIZE.width, SKIN_SIZE.height}),
                      SKIN_SIZE.width * SKIN_SIZE.height / 5)
                << "frames " << a << " and " << b;
}

// Each larger scale carries the cycle's three frames, drawn at that scale's size, as 8-bit RGB
// PNG; the spare frame exists at 100 % only.
TEST(SkinBitmaps, EveryLargerScaleHasTheCycleFramesAsPngImagesOfItsSize) {
    for (int scale : SKIN_SCALES) {
        if (scale == SKIN_SCALES[0]) continue;
        for (int frame = 0; frame < SKIN_FRAMES; ++frame) {
            SCOPED_TRACE(std::to_string(scale) + "% frame " + std::to_string(frame));
            const std::vector<BYTE> png =
                RawResource(MAKEINTRESOURCEW(IDR_SKIN_PNG(scale, frame)), MAKEINTRESOURCEW(10));
            if (frame >= SKIN_CYCLE_FRAMES) {
                EXPECT_TRUE(png.empty());
                continue;
            }
            ASSERT_GE(png.size(), 33u);
            EXPECT_EQ(0, std::memcmp(png.data(), "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16));
            auto big = [&](size_t at) { return png[at] << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3]; };
            EXPECT_EQ(SkinSizeAtScale(scale).width, big(16));
            EXPECT_EQ(SkinSizeAtScale(scale).height, big(20));
            EXPECT_EQ(8, png[24]);  // bits per channel
            EXPECT_EQ(2, png[25]);  // RGB
        }
    }
}

// A PNG image's pixels as the system's codec (WIC) reads them, 0x00RRGGBB; empty when it cannot.
std::vector<uint32_t> DecodedBySystem(IWICImagingFactory* factory, std::vector<BYTE>& png) {
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    UINT width = 0, height = 0;
    if (FAILED(factory->CreateStream(stream.Put())) ||
        FAILED(stream->InitializeFromMemory(png.data(), static_cast<DWORD>(png.size()))) ||
        FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                decoder.Put())) ||
        FAILED(decoder->GetFrame(0, frame.Put())) || FAILED(factory->CreateFormatConverter(converter.Put())) ||
        FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->GetSize(&width, &height)))
        return {};
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    if (FAILED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.size() * 4),
                                     reinterpret_cast<BYTE*>(pixels.data()))))
        return {};
    for (uint32_t& pixel : pixels) pixel &= 0x00FFFFFF;
    return pixels;
}

// The program reads its PNG images itself: the system's codec must find the same pixels in each.
TEST(SkinBitmaps, EveryPngReadsAsTheSystemsCodecReadsIt) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    {
        ComPtr<IWICImagingFactory> factory;
        ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER,
                                               IID_IWICImagingFactory, factory.PutVoid())));
        for (int scale : SKIN_SCALES) {
            for (int frame = 0; scale != SKIN_SCALES[0] && frame < SKIN_CYCLE_FRAMES; ++frame) {
                SCOPED_TRACE(std::to_string(scale) + "% frame " + std::to_string(frame));
                std::vector<BYTE> png =
                    RawResource(MAKEINTRESOURCEW(IDR_SKIN_PNG(scale, frame)), MAKEINTRESOURCEW(10));
                const PixelImage mine = DecodePng(png.data(), png.size());
                ASSERT_TRUE(mine.Valid());
                EXPECT_TRUE(DecodedBySystem(factory.Get(), png) == mine.pixels);
            }
        }
    }
    CoUninitialize();
}

TEST(SkinBitmaps, TextBandIsTheSameCalmLightPanelInEveryFrame) {
    SkinFrame first(IDB_SKIN_FRAME0);
    ASSERT_NE(nullptr, first.bitmap);
    int darkest = 255, lightest = 0;
    for (int y = TEXT_BAND.top; y < TEXT_BAND.bottom; ++y) {
        for (int x = TEXT_BAND.left; x < TEXT_BAND.right; ++x) {
            Rgb p = first.At(x, y);
            int luma = (p.r * 299 + p.g * 587 + p.b * 114) / 1000;
            darkest = std::min(darkest, luma);
            lightest = std::max(lightest, luma);
        }
    }
    // Black text must stand out everywhere in the band, and the band must not carry a pattern
    // of its own that the text would have to compete with.
    EXPECT_GE(darkest, 200);
    EXPECT_LE(lightest - darkest, 40);

    for (int id : {IDB_SKIN_FRAME1, IDB_SKIN_FRAME2, IDB_SKIN_FRAME3}) {
        SkinFrame other(id);
        ASSERT_NE(nullptr, other.bitmap);
        // The program redraws only the text between frames: any change here would flicker.
        EXPECT_EQ(0, Differing(other, first, TEXT_BAND)) << "frame " << id;
    }
}

// ------------------------------------------------------------------------ cursors

struct CursorFacts {
    IconParts parts;
    const ICONINFO& info;
    BITMAP mask = {};
    std::vector<BYTE> maskBits;  // AND mask then XOR mask, top-down, one bit a pixel

    explicit CursorFacts(HCURSOR cursor) : parts(cursor), info(parts.Info()) {
        if (!parts.Valid()) return;
        GetObjectW(info.hbmMask, sizeof mask, &mask);
        maskBits.resize(static_cast<size_t>(mask.bmWidthBytes) * mask.bmHeight);
        GetBitmapBits(info.hbmMask, static_cast<LONG>(maskBits.size()), maskBits.data());
    }

    bool Transparent(int x, int y) const {
        return (maskBits[y * mask.bmWidthBytes + x / 8] >> (7 - x % 8)) & 1;
    }
};

OwnedCursor LoadOwnCursor(int id) {
    // Size 0 keeps the resource's own size instead of the system's cursor size.
    return OwnedCursor(static_cast<HCURSOR>(LoadImageW(Self(), MAKEINTRESOURCEW(id), IMAGE_CURSOR, 0, 0, LR_DEFAULTCOLOR)));
}

// Every size the system asks for at the scales it offers: 32 pixels times the scale.
const int CURSOR_SIZES[] = {32, 40, 48, 56, 64, 80, 96};

TEST(Cursors, BothHandsAreMonochromeAtEverySizeWithTheSameHotSpot) {
    for (int id : {IDC_OPEN_HAND, IDC_GRAB_HAND}) {
        SCOPED_TRACE(id);
        EXPECT_NE(nullptr, LoadCursorW(Self(), MAKEINTRESOURCEW(id)));
        const OwnedCursor cursor = LoadOwnCursor(id);
        ASSERT_TRUE(cursor);
        CursorFacts facts(cursor.Get());
        EXPECT_FALSE(facts.info.fIcon);
        // The hot spot is shared so that swapping cursors mid-drag does not move the window.
        EXPECT_EQ(16u, facts.info.xHotspot);
        EXPECT_EQ(10u, facts.info.yHotspot);
        // Monochrome: no colour bitmap, the mask holds AND and XOR halves.
        EXPECT_EQ(nullptr, facts.info.hbmColor);
        EXPECT_EQ(32, facts.mask.bmWidth);
        EXPECT_EQ(64, facts.mask.bmHeight);
        EXPECT_EQ(1, facts.mask.bmBitsPixel);
        // The hot spot is on the hand, not on a see-through pixel beside it.
        EXPECT_FALSE(facts.Transparent(16, 10));
        // The corners are see-through: a hand, not a square.
        EXPECT_TRUE(facts.Transparent(0, 0));
        EXPECT_TRUE(facts.Transparent(31, 31));

        // Each stored image is 1 bpp, drawn at its size, its hot spot over the same point of the hand.
        std::vector<BYTE> group = RawResource(MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(12) /* RT_GROUP_CURSOR */);
        ASSERT_FALSE(group.empty());
        for (int size : CURSOR_SIZES) {
            SCOPED_TRACE(size);
            int imageId = LookupIconIdFromDirectoryEx(group.data(), FALSE, size, size, LR_MONOCHROME);
            std::vector<BYTE> image = RawResource(MAKEINTRESOURCEW(imageId), MAKEINTRESOURCEW(1) /* RT_CURSOR */);
            ASSERT_GE(image.size(), 4 + sizeof(BITMAPINFOHEADER));
            WORD hotspot[2];
            std::memcpy(hotspot, image.data(), sizeof hotspot);
            // The pixel under the centre of the 32 pixel image's hot spot.
            EXPECT_EQ((2 * 16 + 1) * size / 64, hotspot[0]);
            EXPECT_EQ((2 * 10 + 1) * size / 64, hotspot[1]);
            BITMAPINFOHEADER header;
            std::memcpy(&header, image.data() + 4, sizeof header);
            EXPECT_EQ(size, header.biWidth);
            EXPECT_EQ(2 * size, header.biHeight);
            EXPECT_EQ(1, header.biBitCount);
            const OwnedCursor sized(static_cast<HCURSOR>(
                LoadImageW(Self(), MAKEINTRESOURCEW(id), IMAGE_CURSOR, size, size, LR_DEFAULTCOLOR)));
            CursorFacts loaded(sized.Get());
            EXPECT_EQ(size, loaded.mask.bmWidth);
            EXPECT_FALSE(loaded.Transparent(hotspot[0], hotspot[1]));
        }
    }
}

TEST(Cursors, OpenAndClosedHandsLookDifferent) {
    const OwnedCursor open = LoadOwnCursor(IDC_OPEN_HAND);
    const OwnedCursor closed = LoadOwnCursor(IDC_GRAB_HAND);
    ASSERT_TRUE(open);
    ASSERT_TRUE(closed);
    CursorFacts a(open.Get()), b(closed.Get());
    ASSERT_EQ(a.maskBits.size(), b.maskBits.size());
    EXPECT_NE(a.maskBits, b.maskBits);
    // The open hand's fingers reach higher than the closed fist's knuckles.
    auto topRow = [](const CursorFacts& f) {
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                if (!f.Transparent(x, y)) return y;
        return 32;
    };
    EXPECT_LT(topRow(a), topRow(b));
}

// ------------------------------------------------------------------------ icons

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colourCount, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

std::vector<GroupIconEntry> GroupEntries(const std::vector<BYTE>& group) {
    std::vector<GroupIconEntry> entries;
    if (group.size() < 6) return entries;
    WORD count;
    std::memcpy(&count, group.data() + 4, sizeof count);
    for (WORD i = 0; i < count && 6 + (i + 1) * sizeof(GroupIconEntry) <= group.size(); ++i) {
        GroupIconEntry e;
        std::memcpy(&e, group.data() + 6 + i * sizeof(GroupIconEntry), sizeof e);
        entries.push_back(e);
    }
    return entries;
}

struct IconImage {
    int width = 0, height = 0, bitCount = 0;
    bool cornerTransparent = false, centreOpaque = false;
};

// Reads one RT_ICON image: its header, and its AND mask at a corner and at the centre.
IconImage ReadIconImage(int id) {
    IconImage out;
    std::vector<BYTE> raw = RawResource(MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(3) /* RT_ICON */);
    if (raw.size() < sizeof(BITMAPINFOHEADER)) return out;
    BITMAPINFOHEADER h;
    std::memcpy(&h, raw.data(), sizeof h);
    out.width = h.biWidth;
    out.height = h.biHeight / 2;
    out.bitCount = h.biBitCount;
    size_t palette = h.biBitCount <= 8 ? (h.biClrUsed ? h.biClrUsed : 1u << h.biBitCount) * 4 : 0;
    size_t xorStride = ((out.width * h.biBitCount + 31) / 32) * 4;
    size_t andStride = ((out.width + 31) / 32) * 4;
    size_t andStart = h.biSize + palette + xorStride * out.height;
    if (raw.size() < andStart + andStride * out.height) return out;
    auto andBit = [&](int x, int y) {  // y top-down; rows are stored bottom-up
        return (raw[andStart + (out.height - 1 - y) * andStride + x / 8] >> (7 - x % 8)) & 1;
    };
    out.cornerTransparent = andBit(0, 0) == 1;
    out.centreOpaque = andBit(out.width / 2, out.height / 2) == 0;
    return out;
}

// The sizes the system asks for as its small and large icon sizes, from 100 % to 300 %.
const int ICON_SIZES[] = {16, 20, 24, 32, 40, 48, 64};

// Each size once (the large icon's 32 twice, in 16 and 256 colours), each loading at its size.
void ExpectEverySize(int groupId, const std::vector<GroupIconEntry>& entries) {
    for (int size : ICON_SIZES) {
        SCOPED_TRACE(size);
        int count = 0;
        for (const GroupIconEntry& e : entries) {
            if (e.width != size) continue;
            ++count;
            EXPECT_EQ(size, e.height);
            IconImage image = ReadIconImage(e.id);
            EXPECT_EQ(size, image.width);
            EXPECT_EQ(e.bitCount, image.bitCount);
            EXPECT_TRUE(image.cornerTransparent);
            EXPECT_TRUE(image.centreOpaque);
        }
        EXPECT_EQ(groupId == IDI_PARCELO_LARGE && size == 32 ? 2 : 1, count);
        const OwnedIcon icon(
            static_cast<HICON>(LoadImageW(Self(), MAKEINTRESOURCEW(groupId), IMAGE_ICON, size, size, 0)));
        const IconParts parts(icon.Get());
        ASSERT_TRUE(parts.Valid());
        EXPECT_EQ(size, parts.Size().cx);
        EXPECT_EQ(size, parts.Size().cy);
    }
    EXPECT_EQ(std::size(ICON_SIZES) + (groupId == IDI_PARCELO_LARGE ? 1 : 0), entries.size());
}

TEST(Icons, SmallIconHasItsSixteenColour16PixelImageAndEveryScalesSize) {
    std::vector<BYTE> group = RawResource(MAKEINTRESOURCEW(IDI_PARCELO_SMALL), MAKEINTRESOURCEW(14));
    std::vector<GroupIconEntry> entries = GroupEntries(group);
    ExpectEverySize(IDI_PARCELO_SMALL, entries);
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(16, entries[0].width);
    EXPECT_EQ(16, entries[0].height);
    EXPECT_EQ(16, entries[0].colourCount);
    EXPECT_EQ(4, entries[0].bitCount);
    for (size_t i = 1; i < entries.size(); ++i) EXPECT_EQ(32, entries[i].bitCount) << entries[i].width;

    int id = LookupIconIdFromDirectoryEx(group.data(), TRUE, 16, 16, LR_DEFAULTCOLOR);
    EXPECT_EQ(entries[0].id, id);
    IconImage image = ReadIconImage(id);
    EXPECT_EQ(16, image.width);
    EXPECT_EQ(16, image.height);
    EXPECT_EQ(4, image.bitCount);
}

TEST(Icons, LargeIconHas32By32ImagesInSixteenAnd256ColoursAndEveryScalesSize) {
    std::vector<BYTE> group = RawResource(MAKEINTRESOURCEW(IDI_PARCELO_LARGE), MAKEINTRESOURCEW(14));
    std::vector<GroupIconEntry> entries = GroupEntries(group);
    ExpectEverySize(IDI_PARCELO_LARGE, entries);
    int bits4 = 0, bits8 = 0;
    for (const GroupIconEntry& e : entries) {
        if (e.width != 32) continue;
        SCOPED_TRACE(e.bitCount);
        IconImage image = ReadIconImage(e.id);
        EXPECT_EQ(32, image.height);
        if (image.bitCount == 4) bits4 = e.id;
        if (image.bitCount == 8) bits8 = e.id;
        // Every image decodes into a usable icon.
        std::vector<BYTE> raw = RawResource(MAKEINTRESOURCEW(e.id), MAKEINTRESOURCEW(3));
        const OwnedIcon icon(CreateIconFromResourceEx(raw.data(), static_cast<DWORD>(raw.size()), TRUE, 0x00030000, 32,
                                                      32, LR_DEFAULTCOLOR));
        EXPECT_TRUE(icon);
    }
    EXPECT_NE(0, bits4);
    EXPECT_NE(0, bits8);

    // On a true-colour display the system picks the 256-colour image.
    const int depth = GetDeviceCaps(WindowDc(nullptr).Get(), BITSPIXEL);
    int picked = LookupIconIdFromDirectoryEx(group.data(), TRUE, 32, 32, LR_DEFAULTCOLOR);
    if (depth >= 8) {
        EXPECT_EQ(bits8, picked);
    }
}

// ------------------------------------------------------------------------ menu

struct MenuLine {
    UINT id;
    const char* text;  // nullptr for a separator
    bool grayed;
};

TEST(ContextMenu, PopupHoldsTheCommandsInOrderWithSignInAndOutGrayed) {
    const OwnedMenu bar(LoadMenuW(Self(), MAKEINTRESOURCEW(IDR_CONTEXT_MENU)));
    ASSERT_TRUE(bar);
    ASSERT_EQ(1, GetMenuItemCount(bar.Get()));
    char title[64] = {};
    GetMenuStringA(bar.Get(), 0, title, sizeof title, MF_BYPOSITION);
    EXPECT_STREQ("RM menu", title);
    HMENU popup = GetSubMenu(bar.Get(), 0);
    ASSERT_NE(nullptr, popup);

    const MenuLine expected[] = {
        {ID_CMD_DISPLAY_TOGGLE, "Display &Parcelo\tCtrl+D", false},
        {ID_CMD_GOTO_LOCKER, "&Goto Sonavo Locker\tCtrl+G", false},
        {0, nullptr, false},
        {ID_CMD_SIGN_IN, "&Sign in...\tCtrl+S", true},
        {ID_CMD_SIGN_OUT, "Sign &out\tCtrl+O", true},
        {0, nullptr, false},
        {ID_CMD_EXIT, "E&xit\tCtrl+X", false},
    };
    ASSERT_EQ(static_cast<int>(std::size(expected)), GetMenuItemCount(popup));
    for (UINT i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        char text[128] = {};
        MENUITEMINFOA item = {};
        item.cbSize = sizeof item;
        item.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU;
        item.dwTypeData = text;
        item.cch = sizeof text;
        ASSERT_TRUE(GetMenuItemInfoA(popup, i, TRUE, &item));
        EXPECT_EQ(nullptr, item.hSubMenu);
        if (!expected[i].text) {
            EXPECT_TRUE(item.fType & MFT_SEPARATOR);
            continue;
        }
        EXPECT_FALSE(item.fType & MFT_SEPARATOR);
        EXPECT_EQ(expected[i].id, item.wID);
        EXPECT_STREQ(expected[i].text, text);
        EXPECT_EQ(expected[i].grayed, (item.fState & MFS_GRAYED) != 0);
        EXPECT_FALSE(item.fState & MFS_CHECKED);
    }
}

// ------------------------------------------------------------------------ accelerators

// Records the WM_COMMAND ids that TranslateAccelerator sends.
std::vector<WORD> g_commands;
LRESULT CALLBACK CommandRecorder(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) g_commands.push_back(LOWORD(wParam));
    return DefWindowProcW(window, message, wParam, lParam);
}

// Each key and modifiers the table turns into a command, with the message the key comes in.
struct Chord {
    UINT key;
    bool control, shift;
    WORD command;
    UINT message = WM_KEYDOWN;
};
const Chord COMMAND_KEYS[] = {{'D', true, false, ID_CMD_DISPLAY_TOGGLE}, {'G', true, false, ID_CMD_GOTO_LOCKER},
                              {'O', true, false, ID_CMD_SIGN_OUT},       {'S', true, false, ID_CMD_SIGN_IN},
                              {'X', true, false, ID_CMD_EXIT},           {'V', true, false, ID_CMD_PASTE},
                              {VK_APPS, false, false, ID_CMD_CONTEXT_MENU},
                              {VK_F10, false, true, ID_CMD_CONTEXT_MENU, WM_SYSKEYDOWN}};

// The accelerator table as the program's loop uses it, against a window that records commands.
class Accelerators : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW cls = {};
        cls.lpfnWndProc = CommandRecorder;
        cls.hInstance = Self();
        cls.lpszClassName = CLASS_NAME;
        RegisterClassW(&cls);
        window_.Reset(CreateWindowW(CLASS_NAME, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, Self(), nullptr));
        ASSERT_TRUE(window_);
        table_.Reset(LoadAcceleratorsW(Self(), MAKEINTRESOURCEW(IDR_ACCELERATORS)));
        ASSERT_TRUE(table_);
    }
    void TearDown() override {
        window_.Reset();
        UnregisterClassW(CLASS_NAME, Self());
    }
    // The command a key brings with those modifiers held, or 0.
    WORD Press(UINT key, bool control, bool shift, bool alt = false, UINT message = WM_KEYDOWN) {
        BYTE state[256] = {};
        if (control) state[VK_CONTROL] = 0x80;
        if (shift) state[VK_SHIFT] = 0x80;
        if (alt) state[VK_MENU] = 0x80;
        SetKeyboardState(state);
        MSG msg = {window_.Get(), message, key, alt ? 0x20000001 : 1, 0, {0, 0}};
        g_commands.clear();
        TranslateAcceleratorW(window_.Get(), table_.Get(), &msg);
        BYTE none[256] = {};
        SetKeyboardState(none);
        return g_commands.empty() ? WORD(0) : g_commands.front();
    }

    static constexpr const wchar_t* CLASS_NAME = L"ResourceTestsCommandRecorder";
    OwnedWindow window_;
    OwnedAccelerators table_;
};

TEST_F(Accelerators, KeysWithTheirModifiersReachTheirCommands) {
    for (const Chord& c : COMMAND_KEYS) EXPECT_EQ(c.command, Press(c.key, c.control, c.shift, false, c.message)) << c.key;
    // Without their modifiers the letters are plain typing, and F10 alone stays the menu key.
    EXPECT_EQ(0, Press('D', false, false));
    EXPECT_EQ(0, Press('X', false, true));
    EXPECT_EQ(0, Press(VK_F10, false, false, false, WM_SYSKEYDOWN));
}

// Every other key, with every mix of Ctrl, Shift and Alt, is typing: a stray or doubled entry in
// the table, or one that matched characters rather than keys, would take it from the user.
TEST_F(Accelerators, NoOtherKeyOrModifierReachesACommand) {
    for (UINT key = 1; key < 255; ++key) {
        for (int mix = 0; mix < 8; ++mix) {
            const bool control = mix & 1, shift = mix & 2, alt = mix & 4;
            bool listed = false;
            for (const Chord& c : COMMAND_KEYS) listed |= c.key == key && c.control == control && c.shift == shift && !alt;
            if (listed) continue;
            for (UINT message : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_CHAR})
                EXPECT_EQ(0, Press(key, control, shift, alt, message)) << "key " << key << " mix " << mix;
        }
    }
}

// ------------------------------------------------------------------------ dialogs

// What the program and the user rely on in each control: its id, its class, its text and whether
// it starts enabled.
struct ControlFacts {
    int id;
    const char* cls;  // "Edit", "Button" or "Static"
    const char* text;
    bool enabled;
    int names;  // a label: the id of the field it names, which stands to its right on the same row
    enum Kind { PLAIN, MASKED, AUTO_CHECK } kind = PLAIN;  // a password field; a box that toggles by itself
};

struct DialogFacts {
    int id;
    const char* caption;
    bool shownAtCreation;
    std::vector<ControlFacts> controls;  // in creation order
    std::vector<int> tabOrder;           // enabled tab stops, starting from the first
};

constexpr WORD NO_ID = 0xFFFF;  // -1 in a DIALOG template, whose control ids are 16 bits

DialogFacts SignInFacts() {
    return {IDD_SIGNIN,
            "Sign In",
            false,
            {
                {NO_ID, "Static", "E-mail :", true, IDC_EMAIL},
                {IDC_EMAIL, "Edit", "", true, 0},
                {NO_ID, "Static", "Password :", true, IDC_PASSWORD},
                {IDC_PASSWORD, "Edit", "", true, 0, ControlFacts::MASKED},
                {IDC_AUTO_SIGNIN, "Button", "Auto Sign in", true, 0, ControlFacts::AUTO_CHECK},
                {IDOK, "Button", "OK", false, 0},
                {IDCANCEL, "Button", "Cancel", true, 0},
            },
            // OK is skipped while it is disabled.
            {IDC_EMAIL, IDC_PASSWORD, IDC_AUTO_SIGNIN, IDCANCEL}};
}

DialogFacts ProxyFacts() {
    return {IDD_PROXY,
            "Proxy setup",
            true,
            {
                {IDC_USE_PROXY, "Button", "Use Proxy", true, 0, ControlFacts::AUTO_CHECK},
                {IDC_PROXY_LABEL, "Static", "Proxy IP", false, IDC_PROXY_IP},
                {IDC_PROXY_IP, "Edit", "", false, 0},
                {IDOK, "Button", "OK", true, 0},
                {IDCANCEL, "Button", "Cancel", true, 0},
            },
            // The address field is skipped while "Use Proxy" is unchecked.
            {IDC_USE_PROXY, IDOK, IDCANCEL}};
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// The dialog made from its template, destroyed with the object.
class LiveDialog {
public:
    explicit LiveDialog(int id) : window_(CreateDialogParamA(Self(), MAKEINTRESOURCEA(id), nullptr, PlainDialogProc, 0)) {}
    HWND Get() const { return window_.Get(); }

private:
    OwnedWindow window_;
};

// The name the system's accessible object gives a control, as a screen reader reads it.
std::string AccessibleName(HWND control) {
    ComPtr<IAccessible> object;
    if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          object.PutVoid())))
        return "(no object)";
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    if (FAILED(object->get_accName(self, &name)) || !name) return "(no name)";
    const std::string text = Utf8(std::wstring(name, SysStringLen(name)));
    SysFreeString(name);
    return text;
}

void ExpectControls(const DialogFacts& facts) {
    LiveDialog live(facts.id);
    HWND dialog = live.Get();
    ASSERT_NE(nullptr, dialog);

    EXPECT_EQ(facts.caption, TextOf(dialog));
    DWORD style = static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_STYLE));
    const DWORD frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    EXPECT_EQ(frame, style & frame);
    EXPECT_FALSE(style & DS_CENTER);
    EXPECT_EQ(facts.shownAtCreation, IsWindowVisible(dialog) != FALSE);

    // Children in creation (z) order are the template's controls in order.
    HWND child = GetWindow(dialog, GW_CHILD);
    for (const ControlFacts& c : facts.controls) {
        SCOPED_TRACE(c.text);
        ASSERT_NE(nullptr, child);
        EXPECT_EQ(c.id, GetDlgCtrlID(child));
        EXPECT_EQ(0, lstrcmpiA(c.cls, ClassNameOf(child).c_str())) << ClassNameOf(child);
        EXPECT_EQ(c.text, TextOf(child));
        EXPECT_EQ(c.enabled, IsWindowEnabled(child) != FALSE);
        if (lstrcmpiA(c.cls, "Edit") == 0) {
            EXPECT_EQ(c.kind == ControlFacts::MASKED, SendMessageW(child, EM_GETPASSWORDCHAR, 0, 0) != 0);
            EXPECT_EQ(AccessibleName(child), TextOf(GetWindow(child, GW_HWNDPREV))) << "the field is not named by its label";
        }
        if (c.kind == ControlFacts::AUTO_CHECK) {
            // Starts unchecked and toggles by itself when clicked; the program only reads it.
            EXPECT_EQ(BST_UNCHECKED, SendMessageW(child, BM_GETCHECK, 0, 0));
            SendMessageW(child, BM_CLICK, 0, 0);
            EXPECT_EQ(BST_CHECKED, SendMessageW(child, BM_GETCHECK, 0, 0));
        }
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(nullptr, child) << "more controls than the template lists";

    // A screen reader names an edit field by the label just before it.
    for (size_t i = 0; i + 1 < facts.controls.size(); ++i) {
        if (facts.controls[i].names) {
            EXPECT_EQ(facts.controls[i + 1].id, facts.controls[i].names) << facts.controls[i].text;
        }
    }

    // Tab walks the enabled tab stops in template order and wraps around.
    HWND at = GetDlgItem(dialog, facts.tabOrder.front());
    for (size_t i = 1; i <= facts.tabOrder.size(); ++i) {
        at = GetNextDlgTabItem(dialog, at, FALSE);
        ASSERT_NE(nullptr, at);
        EXPECT_EQ(facts.tabOrder[i % facts.tabOrder.size()], GetDlgCtrlID(at)) << "step " << i;
    }

    LRESULT def = SendMessageA(dialog, DM_GETDEFID, 0, 0);
    EXPECT_EQ(DC_HASDEFID, HIWORD(def));
    EXPECT_EQ(IDOK, LOWORD(def));
}

RECT PlaceIn(HWND dialog, HWND child) {
    RECT placed = {};
    GetWindowRect(child, &placed);
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&placed), 2);
    return placed;
}

// The dialog as a user meets it in its font: every control wholly inside the dialog and clear of
// every other; each label, button and check box with room for its text; each label on the row of
// the field it names, before it; and each field taking more text than it can show. At the
// display's scale: DisplayScale (tests/ui/ScaleTests.cpp) runs these cases at 150 and 200 %.
void ExpectLayoutHolds(const DialogFacts& facts) {
    LiveDialog live(facts.id);
    HWND dialog = live.Get();
    ASSERT_NE(nullptr, dialog);
    RECT client = {};
    GetClientRect(dialog, &client);
    WindowDc dc(dialog);
    if (const UINT wanted = RequestedTestDpi()) {
        ASSERT_EQ(wanted, static_cast<UINT>(GetDeviceCaps(dc.Get(), LOGPIXELSY)));
    }
    std::vector<std::pair<std::string, RECT>> placed;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::string text = TextOf(child), cls = ClassNameOf(child);
        const RECT rect = PlaceIn(dialog, child);
        SCOPED_TRACE(cls + " '" + text + "'");
        RECT inside = {};
        IntersectRect(&inside, &rect, &client);
        EXPECT_TRUE(EqualRect(&inside, &rect)) << "reaches outside the dialog";
        for (const auto& other : placed) {
            RECT common = {};
            EXPECT_FALSE(IntersectRect(&common, &rect, &other.second)) << "covers " << other.first;
        }
        placed.push_back({cls + " '" + text + "'", rect});
        if (text.empty()) continue;

        // A label's text wider than the label wraps its last word onto a line out of sight.
        const SelectedObject font(dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageA(child, WM_GETFONT, 0, 0)));
        SIZE extent = {};
        GetTextExtentPoint32A(dc.Get(), text.c_str(), static_cast<int>(text.size()), &extent);
        // A push button's frame and a check box's box take room beside the text.
        const bool button = lstrcmpiA(cls.c_str(), "Button") == 0;
        const bool checkBox = button && (GetWindowLongPtrA(child, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX;
        const int beside = !button ? 0 : checkBox ? GetSystemMetrics(SM_CXMENUCHECK) : 2 * GetSystemMetrics(SM_CXEDGE);
        EXPECT_LE(extent.cx + beside, rect.right - rect.left);
        EXPECT_LE(extent.cy, rect.bottom - rect.top);
    }

    for (const ControlFacts& c : facts.controls) {
        if (!c.names) continue;
        SCOPED_TRACE(c.text);
        HWND label = nullptr;
        for (HWND child = GetWindow(dialog, GW_CHILD); child && !label; child = GetWindow(child, GW_HWNDNEXT))
            if (TextOf(child) == c.text) label = child;
        ASSERT_NE(nullptr, label);
        const RECT at = PlaceIn(dialog, label), field = PlaceIn(dialog, GetDlgItem(dialog, c.names));
        EXPECT_LE(at.right, field.left) << "the label stands after its field";
        EXPECT_LT(at.top, field.bottom) << "not on the field's row";
        EXPECT_GT(at.bottom, field.top) << "not on the field's row";
    }

    for (const ControlFacts& c : facts.controls) {
        if (lstrcmpiA(c.cls, "Edit") != 0) continue;
        HWND field = GetDlgItem(dialog, c.id);
        EnableWindow(field, TRUE);
        for (int i = 0; i < 120; ++i) SendMessageA(field, WM_CHAR, 'm', 0);
        EXPECT_EQ(120, GetWindowTextLengthA(field)) << "field " << c.id << " stops taking text at its right edge";
    }
}

TEST(SignInDialog, EveryControlShowsWholeInsideTheDialogBesideTheOthers) { ExpectLayoutHolds(SignInFacts()); }

TEST(SignInDialog, CreatedDialogHasItsCaptionControlsAndTabOrder) { ExpectControls(SignInFacts()); }

TEST(ProxyDialog, EveryControlShowsWholeInsideTheDialogBesideTheOthers) { ExpectLayoutHolds(ProxyFacts()); }

TEST(ProxyDialog, CreatedDialogHasItsCaptionControlsAndTabOrder) { ExpectControls(ProxyFacts()); }

// ------------------------------------------------------------------------ strings, manifest, version

TEST(StringTable, CommandDescriptionsLoad) {
    struct {
        UINT id;
        const char* text;
    } const expected[] = {
        {ID_CMD_DISPLAY_TOGGLE, "Display or hide Parcelo..."},
        {ID_CMD_GOTO_LOCKER, "Show Locker contents"},
        {ID_CMD_PROXY_SETTINGS, "Change proxy settings..."},
    };
    for (const auto& e : expected) {
        char text[128] = {};
        EXPECT_GT(LoadStringA(Self(), e.id, text, sizeof text), 0) << e.id;
        EXPECT_STREQ(e.text, text);
    }
    char text[128] = {};
    EXPECT_EQ(0, LoadStringA(Self(), ID_CMD_EXIT, text, sizeof text));
}

TEST(Manifest, DeclaresCommonControls6AsInvokerWindows7To11AndPerMonitorScaling) {
    std::vector<BYTE> raw = RawResource(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24) /* RT_MANIFEST */);
    ASSERT_FALSE(raw.empty());
    const std::string xml(raw.begin(), raw.end());
    for (const char* part : {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                             "publicKeyToken=\"6595b64144ccf1df\"", "level=\"asInvoker\"",
                             // Windows 7, 8, 8.1 and 10/11
                             "35138b9a-5d96-4fbd-8e2d-a2440225f93a", "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",
                             "1f676c76-80e1-4239-95bb-83d0f6d0da78", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a",
                             // The program scales itself: per-monitor v2 where known, else per-monitor,
                             // else system-aware.
                             ">PerMonitorV2, PerMonitor</dpiAwareness>", ">true/pm</dpiAware>"})
        EXPECT_NE(std::string::npos, xml.find(part)) << part;
}

TEST(Manifest, ProcessRunsWithCommonControls6) {
    // The loader reads the manifest at process start and, if it parses, redirects comctl32.dll
    // to the side-by-side version 6. (Wine's DllGetVersion says 5 for both copies, so the path
    // is the reliable sign.)
    const OwnedModule comctl(LoadLibraryW(L"comctl32.dll"));
    ASSERT_TRUE(comctl);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(comctl.Get(), path, MAX_PATH);
    std::wstring lower(path);
    for (wchar_t& ch : lower) ch = static_cast<wchar_t>(towlower(ch));
    EXPECT_NE(std::wstring::npos, lower.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6.0."))
        << std::string(lower.begin(), lower.end());
}

TEST(VersionInfo, NamesParceloBySonavoAtVersion1) {
    wchar_t path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(VS_FFI_SIGNATURE, fixed->dwSignature);
    EXPECT_EQ(0x00010000u, fixed->dwFileVersionMS);
    EXPECT_EQ(0u, fixed->dwFileVersionLS);
    EXPECT_EQ(0x00010000u, fixed->dwProductVersionMS);
    EXPECT_EQ(0u, fixed->dwProductVersionLS);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);

    struct {
        const wchar_t* key;
        const wchar_t* value;
    } const expected[] = {
        {L"ProductName", L"Parcelo"},
        {L"CompanyName", L"Sonavo Inc."},
        {L"FileDescription", L"Parcelo - drop files to your Sonavo Locker"},
        {L"FileVersion", L"1.0.0.0"},
        {L"ProductVersion", L"1.0.0.0"},
        {L"OriginalFilename", L"parcelo.exe"},
    };
    // Explorer finds the strings through the translation the block declares.
    struct Translation {
        WORD language, codePage;
    }* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
    ASSERT_GE(length, sizeof(Translation));
    wchar_t prefix[64];
    wsprintfW(prefix, L"\\StringFileInfo\\%04x%04x\\", translation->language, translation->codePage);
    for (const auto& e : expected) {
        std::wstring key = std::wstring(prefix) + e.key;
        wchar_t* value = nullptr;
        ASSERT_TRUE(VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &length))
            << std::string(key.begin(), key.end());
        EXPECT_EQ(std::wstring(e.value), std::wstring(value));
    }
}

}  // namespace
