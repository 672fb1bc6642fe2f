// What each program must answer for a text, worked out without any of the
// checker's code: the bracket bytes are well formed exactly when deleting
// adjacent matching pairs ("()", "[]", "{}") over and over leaves nothing.
//
// Reading left to right, the reduction of a prefix holds only opening
// brackets until the first fault; so appending one byte either deletes the
// pair it completes or leaves a closing bracket behind, and that prefix is
// the shortest whose reduction holds one: the first fault.
#ifndef PARENCHECK_TESTS_ORACLE_HPP
#define PARENCHECK_TESTS_ORACLE_HPP

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

struct oracle_rules {
    std::string_view name;
    bool empty_input_is_bad;
    bool only_brackets;
    std::string_view good_line;
    std::string_view bad_line;
};

// Every program, in the order the tests list them everywhere.
inline constexpr std::array<oracle_rules, 4> oracle_programs{{
    {"parencheck", false, false, "Bon parenthesage\n", "Mauvais parenthesage\n"},
    {"parencheck-nonempty", true, false, "Bon parenthesage\n", "Mauvais parenthesage\n"},
    {"parencheck-strict", false, true, "Bon parenthesage\n", "Mauvais parenthesage\n"},
    {"parencheck-terse", false, false, "Bon \n", "Mauvais \n"},
}};

struct oracle_answer {
    bool good;
    // Bytes taken from the stream: all of them, or the fault and one more.
    std::size_t taken;
    std::string_view line;
};

inline oracle_answer oracle(const oracle_rules &rules, std::string_view text)
{
    constexpr std::string_view openers = "([{";
    constexpr std::string_view closers = ")]}";
    std::string reduced;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool opener = openers.find(c) != std::string_view::npos;
        const bool closer = closers.find(c) != std::string_view::npos;
        bool fault = false;
        if (opener) {
            reduced += c;
        } else if (closer) {
            const bool completes_pair = !reduced.empty() && openers.find(reduced.back()) == closers.find(c);
            if (completes_pair) {
                reduced.pop_back();
            } else {
                fault = true;
            }
        } else {
            fault = rules.only_brackets;
        }
        if (fault) {
            return {false, std::min(i + 2, text.size()), rules.bad_line};
        }
    }
    const bool good = reduced.empty() && !(rules.empty_input_is_bad && text.empty());
    return {good, text.size(), good ? rules.good_line : rules.bad_line};
}

#endif
