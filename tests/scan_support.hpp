// Runs the real scan of each program on bytes held in memory.
#ifndef PARENCHECK_TESTS_SCAN_SUPPORT_HPP
#define PARENCHECK_TESTS_SCAN_SUPPORT_HPP

#include "checker.hpp"
#include "programs.hpp"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

struct program_under_test {
    const program &rules;
    scan_result (*scan)(std::FILE *);
};

inline const std::array<program_under_test, 4> all_programs{{
    {parencheck, scan<parencheck>},
    {parencheck_nonempty, scan<parencheck_nonempty>},
    {parencheck_strict, scan<parencheck_strict>},
    {parencheck_terse, scan<parencheck_terse>},
}};

struct scanned {
    scan_status status;
    // Values taken from the stream: the end of input is not counted.
    long taken;
};

// The scan over a read-only memory stream; its cells are released. With a
// buffer_size, the stream refills a buffer of that many bytes, so that its
// ends fall at other places of the text than with the stream's own.
inline scanned scan_bytes(const program_under_test &p, std::string_view text, std::size_t buffer_size = 0)
{
    // fmemopen will not open an empty buffer in every C library; one byte
    // of room with a size of zero reads as empty all the same.
    static char empty[1];
    void *data = text.empty() ? empty : const_cast<char *>(text.data());
    std::FILE *in = fmemopen(data, text.size(), "r");
    std::vector<char> buffer(buffer_size);
    if (in == nullptr || (buffer_size != 0 && std::setvbuf(in, buffer.data(), _IOFBF, buffer_size) != 0)) {
        std::perror("fmemopen");
        std::abort();
    }
    const scan_result result = p.scan(in);
    const long taken = std::ftell(in);
    stack_free(result.open);
    std::fclose(in);
    return {result.status, taken};
}

#endif
