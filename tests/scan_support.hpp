// Runs the real scan of each program on bytes held in memory.
#ifndef PARENCHECK_TESTS_SCAN_SUPPORT_HPP
#define PARENCHECK_TESTS_SCAN_SUPPORT_HPP

#include "checker.hpp"
#include "programs.hpp"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct program_under_test {
    const program &rules;
    scan_result (*scan)(std::FILE *);
};

template <std::size_t... I> constexpr auto with_their_scans(std::index_sequence<I...> /*unused*/) noexcept
{
    return std::array<program_under_test, sizeof...(I)>{{{*programs[I], scan<*programs[I]>}...}};
}

// Every program of programs.hpp, in its order, with its scan.
inline constexpr auto all_programs = with_their_scans(std::make_index_sequence<programs.size()>());

// The one with that name; the tests name programs to check what sets each
// apart.
inline const program_under_test &program_named(std::string_view name) noexcept
{
    for (const program_under_test &p : all_programs) {
        if (name == p.rules.name) {
            return p;
        }
    }
    std::fprintf(stderr, "no program is named %.*s\n", static_cast<int>(name.size()), name.data());
    std::abort();
}

struct scanned {
    scan_status status;
    // Values taken from the stream: the end of input is not counted.
    long taken;
    // The line that tells the place of the first fault, from the programs
    // that report it; else "".
    std::string place;
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
    return {result.status, taken, describe(result.fault).text};
}

#endif
