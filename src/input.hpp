// Reading the input: one value at a time, and runs of plain bytes in bulk.
//
// Every value the scan examines comes through read_value, a getc_unlocked
// call. Between brackets, next_bracket passes over the bytes that are not
// brackets. Where the C library is glibc and the processor has SSE2 (every
// x86-64 one), it does so sixteen bytes at a time inside the stream's own
// buffer; elsewhere, or when PARENCHECK_PLAIN_SCAN is defined, it reads them
// one call each. Both leave the stream exactly where the other would.
#ifndef PARENCHECK_INPUT_HPP
#define PARENCHECK_INPUT_HPP

#include "brackets.hpp"

#include <cerrno>
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

// Moves the stream past the bytes before the next bracket in its buffer, or
// to the end of the buffer, reading nothing outside [_IO_read_ptr,
// _IO_read_end): these are the fields glibc's own getc_unlocked reads and
// advances, so the stream cannot tell this from a getc per byte. Refilling
// the buffer is left to getc_unlocked.
inline void skip_plain(std::FILE *in)
{
    char *p = in->_IO_read_ptr;
    const char *const end = in->_IO_read_end;
    while (end - p >= 16) {
        const unsigned found = bracket_bits(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)));
        if (found != 0) {
            in->_IO_read_ptr = p + __builtin_ctz(found);
            return;
        }
        p += 16;
    }
    while (p != end && bracket_kind(static_cast<unsigned char>(*p)) == KIND_OTHER) {
        ++p;
    }
    in->_IO_read_ptr = p;
}

#endif

// The next bracket, or EOF: the bytes before it are taken and ignored.
inline int next_bracket(std::FILE *in)
{
    int c = 0;
    do {
#if PARENCHECK_BULK_SKIP
        skip_plain(in);
#endif
        c = read_value(in);
    } while (c != EOF && bracket_kind(static_cast<unsigned char>(c)) == KIND_OTHER);
    return c;
}

#endif
