// The four programs. Each differs from parencheck in the one field it sets.
#ifndef PARENCHECK_PROGRAMS_HPP
#define PARENCHECK_PROGRAMS_HPP

#include "checker.hpp"

inline constexpr program parencheck{.name = "parencheck"};
inline constexpr program parencheck_nonempty{.name = "parencheck-nonempty", .empty_input_is_bad = true};
inline constexpr program parencheck_strict{.name = "parencheck-strict", .only_brackets = true};
inline constexpr program parencheck_terse{.name = "parencheck-terse", .verdict_tail = " "};
inline constexpr program parencheck_where{.name = "parencheck-where", .reports_place = true};

#endif
