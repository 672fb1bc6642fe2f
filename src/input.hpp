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

#if PARENCHECK_BULK_SKIP

// Where the search for brackets stands between two calls of next_bracket: a
// block of the stream's buffer, and one bit for each bracket in it that the
// stream has not reached yet. Between calls the stream must be read through
// next_bracket alone, so that the block stays the buffer's.
struct bracket_search {
    char *block = nullptr;
    std::uint64_t ahead = 0;
};

namespace input_detail {

// Four vectors a block: long enough that one test passes over most of a
// text's plain bytes, short enough that its brackets fit one 64-bit word.
inline constexpr std::ptrdiff_t BLOCK = 64;

inline std::uint64_t lane_bits(__m128i lanes, int shift)
{
    return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(lanes))) << shift;
}

} // namespace input_detail

// The next bracket, or EOF: the bytes before it are taken and ignored. The
// stream's read pointer is moved over plain bytes a block at a time, never
// outside [_IO_read_ptr, _IO_read_end): these are the fields glibc's own
// getc_unlocked reads and advances, so the stream cannot tell this from a
// call per byte. The bracket itself, and every refill of the buffer, still
// come from read_value.
inline int next_bracket(std::FILE *in, bracket_search &search)
{
    using input_detail::BLOCK;
    for (;;) {
        if (search.ahead != 0) {
            in->_IO_read_ptr = search.block + __builtin_ctzll(search.ahead);
            search.ahead &= search.ahead - 1;
            return read_value(in);
        }
        // The rest of the last block holds no bracket: go on after it.
        char *p = search.block != nullptr ? search.block + BLOCK : in->_IO_read_ptr;
        search.block = nullptr;
        const char *const end = in->_IO_read_end;
        for (; end - p >= BLOCK; p += BLOCK) {
            const auto *vectors = reinterpret_cast<const __m128i *>(p);
            const __m128i a = bracket_lanes(_mm_loadu_si128(vectors));
            const __m128i b = bracket_lanes(_mm_loadu_si128(vectors + 1));
            const __m128i c = bracket_lanes(_mm_loadu_si128(vectors + 2));
            const __m128i d = bracket_lanes(_mm_loadu_si128(vectors + 3));
            // Most blocks of a text hold no bracket: one test says so.
            if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))) != 0) {
                using input_detail::lane_bits;
                search.block = p;
                search.ahead = lane_bits(a, 0) | lane_bits(b, 16) | lane_bits(c, 32) | lane_bits(d, 48);
                break;
            }
        }
        if (search.block != nullptr) {
            continue;
        }
        // Less than a block is left in the buffer.
        while (p != end && bracket_kind(static_cast<unsigned char>(*p)) == KIND_OTHER) {
            ++p;
        }
        in->_IO_read_ptr = p;
        const int c = read_value(in);
        if (c == EOF || bracket_kind(static_cast<unsigned char>(c)) != KIND_OTHER) {
            return c;
        }
    }
}

#else

struct bracket_search {};

// The next bracket, or EOF: the bytes before it are taken and ignored.
inline int next_bracket(std::FILE *in, bracket_search & /*unused*/)
{
    int c = 0;
    do {
        c = read_value(in);
    } while (c != EOF && bracket_kind(static_cast<unsigned char>(c)) == KIND_OTHER);
    return c;
}

#endif

#endif
