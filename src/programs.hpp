// The programs. Each differs from parencheck in the one field it sets.
//
// This list is the only one: the build makes a program of each line, named
// after its .name, installs it with a manual page, and the tests take their
// columns from it. A new program is one more line here, plus what the tests
// expect of it.
#ifndef PARENCHECK_PROGRAMS_HPP
#define PARENCHECK_PROGRAMS_HPP

#include "checker.hpp"

#include <array>

// X(identifier, rules...): one line per program, the reference first.
#define PARENCHECK_PROGRAMS(X)                                                                                         \
    X(parencheck, .name = "parencheck")                                                                                \
    X(parencheck_nonempty, .name = "parencheck-nonempty", .empty_input_is_bad = true)                                  \
    X(parencheck_strict, .name = "parencheck-strict", .only_brackets = true)                                           \
    X(parencheck_terse, .name = "parencheck-terse", .verdict_tail = " ")                                               \
    X(parencheck_where, .name = "parencheck-where", .reports_place = true)

#define PARENCHECK_DEFINE_PROGRAM(identifier, ...) inline constexpr program identifier{__VA_ARGS__};
PARENCHECK_PROGRAMS(PARENCHECK_DEFINE_PROGRAM)
#undef PARENCHECK_DEFINE_PROGRAM

// Each program is a variable of its own, so that it can name a scan's rules
// at compile time; this array lists them in the order of the lines above.
#define PARENCHECK_ADDRESS_OF(identifier, ...) &identifier,
inline constexpr std::array programs{PARENCHECK_PROGRAMS(PARENCHECK_ADDRESS_OF)};
#undef PARENCHECK_ADDRESS_OF

#endif
