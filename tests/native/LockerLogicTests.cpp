// The stand-in Locker's names and what it takes for a song: plain rules on outside text and bytes.
#include <gtest/gtest.h>

#include <string>

#include "standin/LockerNames.h"

using namespace standin;

TEST(LockerNames, DeviceBaseNamesAreEscapedAndOrdinaryOnesKept) {
    EXPECT_EQ(EscapeReservedName(L"con.smith@example.com"), L"con#.smith@example.com");
    EXPECT_EQ(EscapeReservedName(L"AUX.mp3"), L"AUX#.mp3");
    EXPECT_EQ(EscapeReservedName(L"nul"), L"nul#");
    EXPECT_EQ(EscapeReservedName(L"com1 .mp3"), L"com1# .mp3");
    EXPECT_EQ(EscapeReservedName(L"lpt\u00b9.mp3"), L"lpt\u00b9#.mp3");
    for (const wchar_t* kept : {L"console.mp3", L"com10.mp3", L"a.con", L"conx@example.com", L"", L".mp3", L"com.mp3"})
        EXPECT_EQ(EscapeReservedName(kept), kept);
}

TEST(LockerNames, CopiesAreNumberedBeforeTheExtensionAndLongNamesCut) {
    EXPECT_EQ(NumberedName(L"01 Track 01.mp3", 1), L"01 Track 01.mp3");
    EXPECT_EQ(NumberedName(L"01 Track 01.mp3", 2), L"01 Track 01 (2).mp3");
    EXPECT_EQ(NumberedName(L"a.b.flac", 10), L"a.b (10).flac");
    EXPECT_EQ(NumberedName(L".mp3", 3), L".mp3 (3)");
    const std::wstring longName = std::wstring(300, L'x') + L".mp3";
    EXPECT_EQ(FitName(longName), std::wstring(LONGEST_LOCKER_NAME - 4, L'x') + L".mp3");
    EXPECT_EQ(FitName(L"short.mp3"), L"short.mp3");
}

TEST(LockerNames, OnlyAudioSignaturesPass) {
    const auto looks = [](const std::string& bytes) {
        return LooksLikeAudio(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    };
    for (const std::string& audio : {std::string("ID3\x04"), std::string("\xff\xfb\x90"), std::string("\xff\xf1"),
                                    std::string("OggS"), std::string("fLaC"), std::string("RIFF\0\0\0\0WAVE", 12),
                                    std::string("\0\0\0\x20" "ftypM4A ", 12),
                                    std::string("\x30\x26\xb2\x75\x8e\x66\xcf\x11")})
        EXPECT_TRUE(looks(audio));
    for (const std::string& other : {std::string("<html>"), std::string("ID"), std::string("\xff"),
                                    std::string("\xff\x10"), std::string("RIFF\0\0\0\0AVI ", 12), std::string()})
        EXPECT_FALSE(looks(other));
    EXPECT_FALSE(LooksLikeAudio(nullptr, 4));
}
