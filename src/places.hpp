// Where things are in the input: the line and column of the bytes the scan
// takes, the places of the brackets still open, and the first fault.
//
// Only parencheck-where wants any of it. The scan and the reading are written
// once, over either of two records with the same calls: byte_places, which
// counts, and no_places, whose calls are empty, so that the other programs
// compile to what they would be without it.
#ifndef PARENCHECK_PLACES_HPP
#define PARENCHECK_PLACES_HPP

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Both count bytes from 1: a tab, a carriage return and each byte of a UTF-8
// character is a column. 64 bits, so that no text is too long to count.
struct place {
    std::uint64_t line;
    std::uint64_t column;
};

enum class fault_kind {
    none,
    nothing_open, // a closing bracket while nothing is open
    wrong_family, // a closing bracket of another family than the open one
    left_open,    // brackets still open at the end
};

// The first fault: the bracket at fault and its place, and, for a closing
// bracket of the wrong family, the bracket it met and where that one opened.
struct fault_report {
    fault_kind kind = fault_kind::none;
    unsigned char bracket = 0;
    place at{};
    unsigned char opener = 0;
    place opened_at{};
};

namespace places_detail {

// How many bits are set. Where the processor has no instruction for it (the
// x86-64 baseline has none), std::popcount becomes a call into the compiler's
// runtime library, which the programs do not link against; the same few
// operations inline cost less than the call.
constexpr unsigned count_ones(std::uint64_t bits)
{
#if defined(__POPCNT__)
    return static_cast<unsigned>(std::popcount(bits));
#else
    bits -= (bits >> 1U) & 0x5555555555555555U;
    bits = (bits & 0x3333333333333333U) + ((bits >> 2U) & 0x3333333333333333U);
    bits = (bits + (bits >> 4U)) & 0x0F0F0F0F0F0F0F0FU;
    return static_cast<unsigned>((bits * 0x0101010101010101U) >> 56U);
#endif
}

} // namespace places_detail

// The line that tells a fault's place, in the form compilers give for
// standard input, which editors and terminals recognise; "" for no fault.
// Room for the longest: four 20-digit numbers and the words.
struct fault_line {
    char text[160];
};

inline fault_line describe(const fault_report &fault)
{
    fault_line line{};
    const auto l = static_cast<unsigned long long>(fault.at.line);
    const auto c = static_cast<unsigned long long>(fault.at.column);
    switch (fault.kind) {
    case fault_kind::nothing_open:
        std::snprintf(line.text, sizeof line.text, "<stdin>:%llu:%llu: '%c' with nothing open\n", l, c, fault.bracket);
        break;
    case fault_kind::wrong_family:
        std::snprintf(line.text, sizeof line.text, "<stdin>:%llu:%llu: '%c' does not close '%c' opened at %llu:%llu\n",
                      l, c, fault.bracket, fault.opener, static_cast<unsigned long long>(fault.opened_at.line),
                      static_cast<unsigned long long>(fault.opened_at.column));
        break;
    case fault_kind::left_open:
        std::snprintf(line.text, sizeof line.text, "<stdin>:%llu:%llu: '%c' is never closed\n", l, c, fault.bracket);
        break;
    case fault_kind::none:
        break;
    }
    return line;
}

struct no_places {
    static constexpr bool counted = false;

    void took(int /*value*/)
    {
    }
    void passed(std::ptrdiff_t /*bytes*/)
    {
    }
    void newline_at(std::ptrdiff_t /*distance*/)
    {
    }
    void newlines_in_block(std::ptrdiff_t /*distance*/, std::uint64_t /*bits*/)
    {
    }
    [[nodiscard]] static bool opened()
    {
        return true;
    }
    void closed()
    {
    }
    void fault(fault_kind /*kind*/, unsigned char /*bracket*/, unsigned char /*opener*/)
    {
    }
    [[nodiscard]] static fault_report report()
    {
        return {};
    }
    void release()
    {
    }
};

struct byte_places {
    static constexpr bool counted = true;

    // The bytes taken so far, the newline bytes among them, and how many
    // bytes came up to and including the last of those: the place of the
    // last byte taken follows from the three.
    std::uint64_t taken = 0;
    std::uint64_t newlines = 0;
    std::uint64_t line_start = 0;

    // The places of the open brackets, the most recent last: one array of
    // this program's own beside the stack of kinds, which keeps its one cell
    // per bracket.
    place *open = nullptr;
    std::size_t open_count = 0;
    std::size_t open_capacity = 0;

    fault_report first_fault{};

    // One value taken from the stream.
    void took(int value)
    {
        ++taken;
        if (value == '\n') {
            ++newlines;
            line_start = taken;
        }
    }

    // Bytes passed over in bulk; their newlines are told apart, by the two
    // calls below, before the bytes are passed.
    void passed(std::ptrdiff_t bytes)
    {
        taken += static_cast<std::uint64_t>(bytes);
    }

    // A newline this many bytes past the last byte taken.
    void newline_at(std::ptrdiff_t distance)
    {
        ++newlines;
        line_start = taken + static_cast<std::uint64_t>(distance) + 1;
    }

    // The newlines of a block of 64 bytes that starts this many bytes past
    // the last byte taken, one bit each: a count and the position of the last
    // one, with no branch per byte.
    void newlines_in_block(std::ptrdiff_t distance, std::uint64_t bits)
    {
        if (bits != 0) {
            newlines += places_detail::count_ones(bits);
            line_start =
                taken + static_cast<std::uint64_t>(distance) + 64 - static_cast<unsigned>(std::countl_zero(bits));
        }
    }

    // The place of the last byte taken.
    [[nodiscard]] place here() const
    {
        return {newlines + 1, taken - line_start};
    }

    // The last byte taken opened a bracket. False when there is no memory
    // for its place.
    [[nodiscard]] bool opened()
    {
        if (open_count == open_capacity) {
            const std::size_t capacity = open_capacity == 0 ? 64 : open_capacity * 2;
            void *grown = std::realloc(open, capacity * sizeof(place));
            if (grown == nullptr) {
                return false;
            }
            open = static_cast<place *>(grown);
            open_capacity = capacity;
        }
        open[open_count++] = here();
        return true;
    }

    // The most recent open bracket was closed, rightly or not.
    void closed()
    {
        --open_count;
    }

    // The first fault, at the last byte taken or, for a bracket left open,
    // at the most recent one still open. opener is the open bracket that a
    // closing bracket met, or the one left open.
    void fault(fault_kind kind, unsigned char bracket, unsigned char opener)
    {
        // The scan reports no fault that needs an open bracket while none is.
        if (kind != fault_kind::nothing_open && open_count == 0) {
            return;
        }
        first_fault.kind = kind;
        first_fault.opener = opener;
        if (kind == fault_kind::left_open) {
            first_fault.bracket = opener;
            first_fault.at = open[open_count - 1];
            return;
        }
        first_fault.bracket = bracket;
        first_fault.at = here();
        if (kind == fault_kind::wrong_family) {
            first_fault.opened_at = open[open_count - 1];
        }
    }

    [[nodiscard]] fault_report report() const
    {
        return first_fault;
    }

    void release()
    {
        std::free(open);
        open = nullptr;
        open_count = open_capacity = 0;
    }
};

#endif
