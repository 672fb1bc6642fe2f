// The scan: reads a stream once, a byte per call, and decides whether its
// brackets are well formed. Every program is this scan under its own rules
// (see programs.hpp), instantiated at compile time so that a rule a program
// does not have costs nothing in its loop.
#ifndef PARENCHECK_CHECKER_HPP
#define PARENCHECK_CHECKER_HPP

#include "brackets.hpp"
#include "stack.hpp"

#include <cerrno>
#include <cstdio>

// What sets one program apart from the others. Each program changes exactly
// one field from these defaults.
struct program {
    const char *name;
    // An input of no bytes at all is judged bad.
    bool empty_input_is_bad = false;
    // A byte that is not a bracket is a fault instead of passing unseen.
    bool only_brackets = false;
    // Written after the verdict word, before the newline.
    const char *verdict_tail = " parenthesage";
};

enum class scan_status {
    good,          // well formed
    bad,           // a fault, or brackets left open
    read_error,    // the input failed before any fault: no verdict is known
    out_of_memory, // no cell for an open bracket: no verdict is known
};

struct scan_result {
    scan_status status;
    // What failed, as an errno value: the read's for read_error, ENOMEM for
    // out_of_memory; 0 with a verdict.
    int error_number;
    // The brackets still open. The programs leave these cells to the end of
    // the process; anything that scans more than once releases them.
    bracket_stack open;
};

// A closing bracket: 1 if it closes nothing or the wrong family, else 0. The
// top of the stack goes either way, match or not; with nothing open, the
// stack stays as it is.
inline int close_bracket(unsigned char byte, bracket_stack &stack)
{
    if (stack_is_empty(stack) != 0) {
        return 1;
    }
    const int fault = bracket_kind(byte) != stack_top(stack) ? 1 : 0;
    stack = stack_pop(stack);
    return fault;
}

// Reads from in until its end or one value past the first fault, and no
// further: the value after the fault is taken but not examined.
template <const program &P> scan_result scan(std::FILE *in)
{
    int fault = 0;
    bracket_stack stack = stack_new();
    // At full width, so that the byte 0xFF is never taken for EOF.
    int c = getc_unlocked(in);
    const bool empty = c == EOF;
    while (fault == 0 && c != EOF) {
        const auto byte = static_cast<unsigned char>(c);
        if (is_opening(byte) != 0) {
            bracket_stack pushed = stack_push(bracket_kind(byte), stack);
            if (pushed == nullptr) {
                return {scan_status::out_of_memory, ENOMEM, stack};
            }
            stack = pushed;
        } else if (is_closing(byte) != 0) {
            fault = close_bracket(byte, stack);
        } else if constexpr (P.only_brackets) {
            fault = 1;
        } else {
            // Most bytes of a text are not brackets. Passing over a run of
            // them in a loop of its own keeps that loop a few instructions
            // long, free of the bracket work: about a fifth faster on prose.
            do {
                c = getc_unlocked(in);
            } while (c != EOF && bracket_kind(static_cast<unsigned char>(c)) == KIND_OTHER);
            continue;
        }
        c = getc_unlocked(in);
    }
    // The stream reports a failed read as its end. Unless a fault has already
    // settled the verdict, the unread rest could change it, so there is none.
    if (fault == 0 && std::ferror(in) != 0) {
        return {scan_status::read_error, errno, stack};
    }
    // Tested after the read error, so that an input that failed at its first
    // read is trouble rather than an empty text; the loop never ran for it,
    // so nothing more was read either way.
    if (P.empty_input_is_bad && empty) {
        fault = 1;
    }
    if (fault == 0 && stack_is_empty(stack) == 0) {
        fault = 1;
    }
    return {fault == 0 ? scan_status::good : scan_status::bad, 0, stack};
}

// The verdict line, in two pieces on the buffered standard output: the word,
// then the tail and the newline.
template <const program &P> void write_verdict(scan_status verdict)
{
    std::printf("%s", verdict == scan_status::good ? "Bon" : "Mauvais");
    std::puts(P.verdict_tail);
}

#endif
