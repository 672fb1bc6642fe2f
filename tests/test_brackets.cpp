#include "brackets.hpp"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

struct expected_class {
    std::int32_t kind;
    int opening;
    int closing;
};

// Written out by hand rather than derived from the table under test.
expected_class expected_for(int byte)
{
    switch (byte) {
    case '(':
        return {KIND_ROUND, 1, 0};
    case ')':
        return {KIND_ROUND, 0, 1};
    case '{':
        return {KIND_CURLY, 1, 0};
    case '}':
        return {KIND_CURLY, 0, 1};
    case '[':
        return {KIND_SQUARE, 1, 0};
    case ']':
        return {KIND_SQUARE, 0, 1};
    default:
        return {KIND_OTHER, 0, 0};
    }
}

TEST(Brackets, KindCodesAreTheDocumentedIntegers)
{
    EXPECT_EQ(KIND_ROUND, 0);
    EXPECT_EQ(KIND_CURLY, 1);
    EXPECT_EQ(KIND_SQUARE, 2);
    EXPECT_EQ(KIND_OTHER, 3);
}

TEST(Brackets, EveryByteValueHasExactlyOneClass)
{
    int brackets = 0;
    for (int byte = 0; byte < 256; ++byte) {
        const auto c = static_cast<unsigned char>(byte);
        const expected_class want = expected_for(byte);
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << byte);
        EXPECT_EQ(bracket_kind(c), want.kind);
        EXPECT_EQ(is_opening(c), want.opening);
        EXPECT_EQ(is_closing(c), want.closing);
        brackets += is_opening(c) + is_closing(c);
    }
    EXPECT_EQ(brackets, 6);
}

TEST(Brackets, HighBytesThroughASignedCharAreNotBrackets)
{
    // UTF-8 continuation and lead bytes, as a signed char holds them.
    for (const char c : {'\x80', '\xA8', '\xA9', '\xC3', '\xFF'}) {
        EXPECT_EQ(bracket_kind(static_cast<unsigned char>(c)), KIND_OTHER);
        EXPECT_EQ(is_opening(static_cast<unsigned char>(c)), 0);
        EXPECT_EQ(is_closing(static_cast<unsigned char>(c)), 0);
    }
}

#if defined(__SSE2__)
TEST(Brackets, SixteenAtOnceFindTheSameSixBytes)
{
    // Every byte value once, sixteen to a vector, each in another lane.
    for (int first = 0; first < 256; first += 16) {
        alignas(16) unsigned char bytes[16];
        for (int lane = 0; lane < 16; ++lane) {
            bytes[lane] = static_cast<unsigned char>(first + (lane * 7) % 16);
        }
        const auto found = static_cast<unsigned>(
            _mm_movemask_epi8(bracket_lanes(_mm_load_si128(reinterpret_cast<const __m128i *>(bytes)))));
        for (int lane = 0; lane < 16; ++lane) {
            SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << int{bytes[lane]} << " in lane " << lane);
            EXPECT_EQ((found >> lane) & 1U, expected_for(bytes[lane]).kind != KIND_OTHER ? 1U : 0U);
        }
    }
}
#endif

} // namespace
