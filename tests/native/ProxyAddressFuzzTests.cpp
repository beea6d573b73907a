// IsValidProxyAddress against a second, plain reading of the rule: every short text over a
// small alphabet, then a fixed-seed stream of longer, mostly address-like texts. Each text
// sits in a heap block of exactly its length plus the NUL, so a read past it is caught.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "settings/ProxyAddress.h"
#include "tests/native/ProxyAddressReading.h"

namespace {

// Each byte taken as the character of the same number, as typed into the dialog.
bool Checked(const std::string& text) {
    std::unique_ptr<wchar_t[]> exact(new wchar_t[text.size() + 1]);
    for (size_t i = 0; i <= text.size(); ++i) exact[i] = static_cast<unsigned char>(text.c_str()[i]);
    return IsValidProxyAddress(exact.get());
}

// Every text of up to `length` characters over `alphabet`, in order.
template <class Visit>
void EveryText(const std::string& alphabet, size_t length, Visit visit) {
    std::string text;
    std::vector<size_t> digits;
    for (size_t n = 0; n <= length; ++n) {
        digits.assign(n, 0);
        for (;;) {
            text.resize(n);
            for (size_t i = 0; i < n; ++i) text[i] = alphabet[digits[i]];
            visit(text);
            size_t i = n;
            while (i > 0 && ++digits[i - 1] == alphabet.size()) digits[--i] = 0;
            if (i == 0) break;
        }
    }
}

}  // namespace

TEST(ProxyAddressFuzz, EveryShortTextAgreesWithThePlainReading) {
    // Digits enough for 255, above it and leading zeros; the separator; one stranger.
    size_t accepted = 0, total = 0;
    EveryText("0259.x", 7, [&](const std::string& text) {
        const bool expected = PlainProxyReading(text);
        ASSERT_EQ(Checked(text), expected) << "'" << text << "'";
        accepted += expected;
        ++total;
    });
    EXPECT_EQ(accepted, 256u);  // every d.d.d.d over four digits: real addresses, not only refusals
    EXPECT_EQ(total, 335923u);
}

TEST(ProxyAddressFuzz, RandomAddressLikeTextsAgreeWithThePlainReading) {
    std::mt19937 random(20261207);  // fixed: a failure repeats
    auto below = [&](uint32_t n) { return static_cast<uint32_t>(random() % n); };
    const std::string strangers = std::string(" \t-+:/,xX\xff\x80\xb9") + '\x01';
    size_t accepted = 0;
    for (int round = 0; round < 400000; ++round) {
        std::string text;
        if (below(4) == 0) {
            // Anything at all, up to 20 bytes but NUL.
            for (uint32_t n = below(21); n > 0; --n) text += static_cast<char>(1 + below(255));
        } else {
            // Groups of digits, mostly well formed, with the edges of every rule nearby.
            const uint32_t groups = below(3) == 0 ? 1 + below(6) : 4;
            for (uint32_t g = 0; g < groups; ++g) {
                if (g > 0) text += below(20) == 0 ? ".." : ".";
                if (below(3) == 0) text.append(below(5), '0');
                const uint32_t kind = below(4);
                const uint32_t value = kind == 0 ? 250 + below(10) : kind == 1 ? below(10) : below(300);
                text += std::to_string(value);
                if (below(30) == 0) text.insert(below(static_cast<uint32_t>(text.size()) + 1), 1, strangers[below(static_cast<uint32_t>(strangers.size()))]);
            }
            if (below(25) == 0) text.insert(0, 1, below(2) ? '.' : ' ');
            if (below(25) == 0) text += below(2) ? "." : ":80";
        }
        const bool expected = PlainProxyReading(text);
        ASSERT_EQ(Checked(text), expected) << "'" << text << "' (round " << round << ")";
        accepted += expected;
    }
    EXPECT_GT(accepted, 40000u);  // about one text in ten is an address: the accepting side is reached too
    EXPECT_FALSE(IsValidProxyAddress(nullptr));
}
