// Reading the input: one value at a time, and runs of plain bytes in bulk.
//
// Every value the scan examines comes through read_value, a getc_unlocked
// call. Between brackets, next_bracket passes over the bytes that are not
// brackets. Where the C library is glibc and the processor has SSE2 (every
// x86-64 one), it does so 64 bytes at a time inside the stream's own
// buffer; elsewhere, or when PARENCHECK_PLAIN_SCAN is defined, it reads them
// with a call each. Both leave the stream exactly where the other would.
#ifndef PARENCHECK_INPUT_HPP
#define PARENCHECK_INPUT_HPP

#include "brackets.hpp"
#include "places.hpp"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <poll.h>

#if defined(__GLIBC__) && defined(__SSE2__) && !defined(PARENCHECK_PLAIN_SCAN)
#define PARENCHECK_BULK_SKIP 1
#else
#define PARENCHECK_BULK_SKIP 0
#endif

namespace input_detail {

// Whoever started us may have left the input non-blocking: a read then fails
// with EAGAIN when no byte is there yet. That is not trouble, only a wait,
// so wait for the input to be readable and read again. Out of line: it is
// reached at the end of the input, not for every byte.
[[gnu::noinline, gnu::cold]] inline int read_after_would_block(std::FILE *in)
{
    int c = EOF;
    while (c == EOF && std::ferror(in) != 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        pollfd ready{fileno(in), POLLIN, 0};
        // A stream with no descriptor has nothing to wait for.
        if (ready.fd < 0) {
            break;
        }
        if (poll(&ready, 1, -1) < 0 && errno != EINTR) {
            break;
        }
        clearerr_unlocked(in);
        c = getc_unlocked(in);
    }
    return c;
}

} // namespace input_detail

// The next value of the stream: a byte 0..255, or EOF at the end of the
// input or on a read error (which the stream's error indicator tells apart).
inline int read_value(std::FILE *in)
{
    const int c = getc_unlocked(in);
    if (c == EOF) [[unlikely]] {
        return input_detail::read_after_would_block(in);
    }
    return c;
}

// read_value, with the value counted in places.
template <typename Places> int take(std::FILE *in, Places &places)
{
    const int c = read_value(in);
    if constexpr (Places::counted) {
        if (c != EOF) {
            places.took(c);
        }
    }
    return c;
}

#if PARENCHECK_BULK_SKIP

// Where the search for brackets stands between two calls of next_bracket: a
// block of the stream's buffer, and one bit for each bracket in it that the
// stream has not reached yet. Between calls the stream must be read through
// next_bracket alone, so that the block stays the buffer's.
struct bracket_search {
    char *block = nullptr;
    std::uint64_t ahead = 0;
    // The same for the newlines, where they are counted.
    std::uint64_t newlines_ahead = 0;
};

namespace input_detail {

// Four vectors a block: long enough that one test passes over most of a
// text's plain bytes, short enough that its brackets fit one 64-bit word.
inline constexpr std::ptrdiff_t BLOCK = 64;

inline std::uint64_t lane_bits(__m128i lanes, int shift)
{
    return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(lanes))) << shift;
}

// One bit for each newline byte of a block's four vectors.
inline std::uint64_t newline_bits(const __m128i (&block)[4])
{
    const __m128i newline = _mm_set1_epi8('\n');
    return lane_bits(_mm_cmpeq_epi8(block[0], newline), 0) | lane_bits(_mm_cmpeq_epi8(block[1], newline), 16) |
           lane_bits(_mm_cmpeq_epi8(block[2], newline), 32) | lane_bits(_mm_cmpeq_epi8(block[3], newline), 48);
}

// Moves the stream to the next bracket of the current block, counting the
// newlines passed on the way, and takes the bracket.
template <typename Places> int take_bracket_ahead(std::FILE *in, bracket_search &search, Places &places)
{
    const int at = __builtin_ctzll(search.ahead);
    search.ahead &= search.ahead - 1;
    char *const bracket = search.block + at;
    if constexpr (Places::counted) {
        const std::uint64_t before = search.newlines_ahead & ((std::uint64_t{1} << at) - 1);
        search.newlines_ahead ^= before;
        places.newlines_in_block(search.block - in->_IO_read_ptr, before);
        places.passed(bracket - in->_IO_read_ptr);
    }
    in->_IO_read_ptr = bracket;
    return take(in, places);
}

// Looks for a block that holds a bracket, from p on while whole blocks are
// left in the buffer: true when it has found one, which becomes the search's
// block; false with p past the last whole block. The newlines of the blocks
// passed are counted.
template <typename Places> bool find_block(std::FILE *in, char *&p, bracket_search &search, Places &places)
{
    for (const char *const end = in->_IO_read_end; end - p >= BLOCK; p += BLOCK) {
        const auto *at = reinterpret_cast<const __m128i *>(p);
        const __m128i block[4] = {_mm_loadu_si128(at), _mm_loadu_si128(at + 1), _mm_loadu_si128(at + 2),
                                  _mm_loadu_si128(at + 3)};
        const __m128i a = bracket_lanes(block[0]);
        const __m128i b = bracket_lanes(block[1]);
        const __m128i c = bracket_lanes(block[2]);
        const __m128i d = bracket_lanes(block[3]);
        // Most blocks of a text hold no bracket: one test says so.
        const bool any = _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))) != 0;
        if constexpr (Places::counted) {
            const std::uint64_t newlines = newline_bits(block);
            if (any) {
                search.newlines_ahead = newlines;
            } else {
                places.newlines_in_block(p - in->_IO_read_ptr, newlines);
            }
        }
        if (any) {
            search.block = p;
            search.ahead = lane_bits(a, 0) | lane_bits(b, 16) | lane_bits(c, 32) | lane_bits(d, 48);
            return true;
        }
    }
    return false;
}

// Less than a block is left in the buffer: byte by byte from p to the next
// bracket or the buffer's end, then the next value, which refills the buffer
// when it is empty.
template <typename Places> int take_after_tail(std::FILE *in, char *p, Places &places)
{
    const char *const end = in->_IO_read_end;
    while (p != end && bracket_kind(static_cast<unsigned char>(*p)) == KIND_OTHER) {
        if constexpr (Places::counted) {
            if (*p == '\n') {
                places.newline_at(p - in->_IO_read_ptr);
            }
        }
        ++p;
    }
    places.passed(p - in->_IO_read_ptr);
    in->_IO_read_ptr = p;
    return take(in, places);
}

} // namespace input_detail

// The next bracket, or EOF: the bytes before it are taken and ignored. The
// stream's read pointer is moved over plain bytes a block at a time, never
// outside [_IO_read_ptr, _IO_read_end): these are the fields glibc's own
// getc_unlocked reads and advances, so the stream cannot tell this from a
// call per byte. The bracket itself, and every refill of the buffer, still
// come from read_value.
template <typename Places> int next_bracket(std::FILE *in, bracket_search &search, Places &places)
{
    for (;;) {
        if (search.ahead != 0) {
            return input_detail::take_bracket_ahead(in, search, places);
        }
        // The rest of the last block holds no bracket: go on after it.
        char *p = in->_IO_read_ptr;
        if (search.block != nullptr) {
            p = search.block + input_detail::BLOCK;
            if constexpr (Places::counted) {
                places.newlines_in_block(search.block - in->_IO_read_ptr, search.newlines_ahead);
            }
            search.block = nullptr;
        }
        if (input_detail::find_block(in, p, search, places)) {
            continue;
        }
        const int c = input_detail::take_after_tail(in, p, places);
        if (c == EOF || bracket_kind(static_cast<unsigned char>(c)) != KIND_OTHER) {
            return c;
        }
    }
}

#else

struct bracket_search {};

// The next bracket, or EOF: the bytes before it are taken and ignored.
template <typename Places> int next_bracket(std::FILE *in, bracket_search & /*unused*/, Places &places)
{
    int c = 0;
    do {
        c = take(in, places);
    } while (c != EOF && bracket_kind(static_cast<unsigned char>(c)) == KIND_OTHER);
    return c;
}

#endif

#endif
