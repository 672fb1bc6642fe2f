// Which bytes are brackets, and of which family.
//
// This is the only place that knows the six bracket characters; the rest of
// the program works on kind codes. The functions take the byte as an
// unsigned char so that 0x80..0xFF, read through a signed char or not, can
// never index outside the table or pass for a bracket.
#ifndef PARENCHECK_BRACKETS_HPP
#define PARENCHECK_BRACKETS_HPP

#include <array>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Both brackets of a family share one code; the code says nothing of
// direction. Two brackets match exactly when their codes are equal.
inline constexpr std::int32_t KIND_ROUND = 0;
inline constexpr std::int32_t KIND_CURLY = 1;
inline constexpr std::int32_t KIND_SQUARE = 2;
inline constexpr std::int32_t KIND_OTHER = 3;

namespace brackets_detail {

// One table entry per byte value: the kind code in the low two bits and the
// direction in the next two. The checker asks about every byte of its input,
// so one load answers all three questions, and the compiler can share it
// between them instead of walking a chain of comparisons.
inline constexpr std::uint8_t KIND_BITS = 0x3;
inline constexpr std::uint8_t OPENING_BIT = 0x4;
inline constexpr std::uint8_t CLOSING_BIT = 0x8;

inline constexpr std::array<std::uint8_t, 256> byte_class = [] {
    std::array<std::uint8_t, 256> table{};
    table.fill(KIND_OTHER);
    const auto mark = [&table](char c, std::int32_t kind, std::uint8_t direction) {
        table[static_cast<unsigned char>(c)] = static_cast<std::uint8_t>(kind | direction);
    };
    mark('(', KIND_ROUND, OPENING_BIT);
    mark(')', KIND_ROUND, CLOSING_BIT);
    mark('{', KIND_CURLY, OPENING_BIT);
    mark('}', KIND_CURLY, CLOSING_BIT);
    mark('[', KIND_SQUARE, OPENING_BIT);
    mark(']', KIND_SQUARE, CLOSING_BIT);
    return table;
}();

} // namespace brackets_detail

// KIND_ROUND, KIND_CURLY or KIND_SQUARE for the six brackets; KIND_OTHER for
// every other byte value.
constexpr std::int32_t bracket_kind(unsigned char c)
{
    return brackets_detail::byte_class[c] & brackets_detail::KIND_BITS;
}

// 1 for "(", "{" and "[", else 0.
constexpr int is_opening(unsigned char c)
{
    return (brackets_detail::byte_class[c] & brackets_detail::OPENING_BIT) != 0 ? 1 : 0;
}

// 1 for ")", "}" and "]", else 0.
constexpr int is_closing(unsigned char c)
{
    return (brackets_detail::byte_class[c] & brackets_detail::CLOSING_BIT) != 0 ? 1 : 0;
}

// The opening bracket of a family: "(", "{" or "[".
constexpr unsigned char opening_bracket(std::int32_t kind)
{
    constexpr std::array<unsigned char, 3> openers{'(', '{', '['};
    return openers[static_cast<std::size_t>(kind)];
}

#if defined(__SSE2__)

// The brackets among 16 bytes at once: 0xFF in the lanes that hold one of
// the six, 0 elsewhere. Clearing bit 5 folds "{" and "}" onto "[" and "]",
// and setting bit 0 folds "(" onto ")", so three comparisons find all six;
// no other byte folds onto those three values.
inline __m128i bracket_lanes(__m128i bytes)
{
    const __m128i square_or_curly = _mm_and_si128(bytes, _mm_set1_epi8(static_cast<char>(~0x20)));
    const __m128i round = _mm_or_si128(bytes, _mm_set1_epi8(0x01));
    return _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(square_or_curly, _mm_set1_epi8('[')),
                                     _mm_cmpeq_epi8(square_or_curly, _mm_set1_epi8(']'))),
                        _mm_cmpeq_epi8(round, _mm_set1_epi8(')')));
}

#endif

#endif
