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
#include <vector>

struct oracle_rules {
    std::string_view name;
    bool empty_input_is_bad;
    bool only_brackets;
    std::string_view good_line;
    std::string_view bad_line;
    // The place of the first fault follows a bad verdict on the error stream.
    bool reports_place = false;
};

// Every program, in the order the tests list them everywhere.
inline constexpr std::array<oracle_rules, 5> oracle_programs{{
    {"parencheck", false, false, "Bon parenthesage\n", "Mauvais parenthesage\n"},
    {"parencheck-nonempty", true, false, "Bon parenthesage\n", "Mauvais parenthesage\n"},
    {"parencheck-strict", false, true, "Bon parenthesage\n", "Mauvais parenthesage\n"},
    {"parencheck-terse", false, false, "Bon \n", "Mauvais \n"},
    {"parencheck-where", false, false, "Bon parenthesage\n", "Mauvais parenthesage\n", true},
}};

struct oracle_answer {
    bool good;
    // Bytes taken from the stream: all of them, or the fault and one more.
    std::size_t taken;
    std::string_view line;
    // What follows on the error stream: the place of the first fault, from
    // the programs that report it, after a bad verdict; else nothing.
    std::string place;
};

// "L:C" of the byte at index i: lines and columns count bytes from 1, and
// a line begins after each newline byte.
inline std::string line_and_column(std::string_view text, std::size_t i)
{
    const std::string_view before = text.substr(0, i);
    const std::size_t line = 1 + static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
    const std::size_t newline = before.rfind('\n');
    const std::size_t column = newline == std::string_view::npos ? i + 1 : i - newline;
    return std::to_string(line) + ":" + std::to_string(column);
}

inline oracle_answer oracle(const oracle_rules &rules, std::string_view text)
{
    constexpr std::string_view openers = "([{";
    constexpr std::string_view closers = ")]}";
    std::string reduced;
    // Where each bracket of the reduction stands in the text.
    std::vector<std::size_t> reduced_at;
    const auto quoted = [](char c) {
        return std::string("'") + c + "'";
    };
    const auto place_of = [&](std::size_t i) {
        return "<stdin>:" + line_and_column(text, i) + ": ";
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool opener = openers.find(c) != std::string_view::npos;
        const bool closer = closers.find(c) != std::string_view::npos;
        bool fault = false;
        std::string place;
        if (opener) {
            reduced += c;
            reduced_at.push_back(i);
        } else if (closer) {
            const bool completes_pair = !reduced.empty() && openers.find(reduced.back()) == closers.find(c);
            if (completes_pair) {
                reduced.pop_back();
                reduced_at.pop_back();
            } else {
                fault = true;
                place = reduced.empty() ? place_of(i) + quoted(c) + " with nothing open\n"
                                        : place_of(i) + quoted(c) + " does not close " + quoted(reduced.back()) +
                                              " opened at " + line_and_column(text, reduced_at.back()) + "\n";
            }
        } else {
            fault = rules.only_brackets;
        }
        if (fault) {
            return {false, std::min(i + 2, text.size()), rules.bad_line, rules.reports_place ? place : ""};
        }
    }
    const bool good = reduced.empty() && !(rules.empty_input_is_bad && text.empty());
    std::string place;
    if (rules.reports_place && !reduced.empty()) {
        place = place_of(reduced_at.back()) + quoted(reduced.back()) + " is never closed\n";
    }
    return {good, text.size(), good ? rules.good_line : rules.bad_line, place};
}

#endif
