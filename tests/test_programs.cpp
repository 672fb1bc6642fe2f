// The programs as real processes: bytes in, exact bytes out, the error
// stream and the exit status.
#include "child_process.hpp"
#include "oracle.hpp"
#include "programs.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <random>
#include <string>
#include <string_view>

namespace {

// The columns of these tests are the oracle's list of programs; a program the
// build makes must have its line there, in the same place.
static_assert(
    [] {
        if (oracle_programs.size() != programs.size()) {
            return false;
        }
        for (std::size_t i = 0; i < programs.size(); ++i) {
            if (oracle_programs[i].name != programs[i]->name) {
                return false;
            }
        }
        return true;
    }(),
    "tests/oracle.hpp must list the programs of src/programs.hpp, in the same order");

std::string path_of(std::string_view name)
{
    return std::string(PARENCHECK_BIN_DIR) + "/" + std::string(name);
}

child_outcome run(std::string_view name, const std::string &input)
{
    return run_child(path_of(name), {.input = input});
}

std::string printable(const std::string &bytes)
{
    std::string shown;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7f) {
            shown += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", u);
            shown += hex;
        }
    }
    return shown;
}

// Expect a verdict: exactly that line, nothing on the error stream but the
// place of a fault where one is expected, status 0.
// A hang is fatal, so that a test stops at the first one instead of waiting
// out every child after it: callers in a loop pass it on with
// ASSERT_NO_FATAL_FAILURE.
void expect_verdict(const child_outcome &got, std::string_view line, std::string_view place = "")
{
    ASSERT_FALSE(got.timed_out) << "no answer in time";
    EXPECT_EQ(got.out, line);
    EXPECT_EQ(got.err, place);
    EXPECT_EQ(got.exit_status, 0);
}

// Expect trouble: no verdict, the program's name and the reason, status 2.
void expect_trouble(const child_outcome &got, const std::string &message)
{
    ASSERT_FALSE(got.timed_out) << "no answer in time";
    EXPECT_EQ(got.signal, 0) << "ended by a signal";
    EXPECT_EQ(got.out, "");
    EXPECT_EQ(got.err, message);
    EXPECT_EQ(got.exit_status, 2);
}

std::string nested(std::size_t opening, std::size_t closing)
{
    return std::string(opening, '(') + std::string(closing, ')');
}

TEST(Programs, VerdictOfEachProgramOnTheSameInputs)
{
    struct row {
        std::string input;
        // B for "Bon", M for "Mauvais", in the order of oracle_programs:
        // parencheck, -nonempty, -strict, -terse, -where.
        const char *verdicts;
    };
    const row rows[] = {
        {"", "BMBBB"},
        {"\n", "BBMBB"},
        {"letters and a newline\n", "BBMBB"},
        {"\xff", "BBMBB"},
        {"()", "BBBBB"},
        {"()\n", "BBMBB"},
        {"()[]{}", "BBBBB"},
        {"([{}])", "BBBBB"},
        {"([{}])\n", "BBMBB"},
        {"a(b[c]{d})e", "BBMBB"},
        {"a(b[c]{d})e\n", "BBMBB"},
        {"(\xff)", "BBMBB"},
        {std::string("(\0)", 3), "BBMBB"},
        {"(\r\n)", "BBMBB"},
        {"(\xc3\xa9\xe2\x82\xac)", "BBMBB"},
        {"(a)", "BBMBB"},
        {"<>", "BBMBB"},
        {"(", "MMMMM"},
        {")", "MMMMM"},
        {"(]", "MMMMM"},
        {"{)", "MMMMM"},
        {"([)]", "MMMMM"},
        {"())(", "MMMMM"},
        {"a(b", "MMMMM"},
        {nested(100'000, 100'000), "BBBBB"},
        {nested(100'000, 100'001), "MMMMM"},
        {nested(100'000, 99'999), "MMMMM"},
    };
    for (const row &r : rows) {
        const std::string shown = r.input.size() > 40 ? std::to_string(r.input.size()) + " bytes" : printable(r.input);
        ASSERT_EQ(std::strlen(r.verdicts), oracle_programs.size()) << "one letter per program on \"" << shown << '"';
        for (std::size_t i = 0; i < oracle_programs.size(); ++i) {
            const oracle_rules &p = oracle_programs[i];
            SCOPED_TRACE(testing::Message() << p.name << " on \"" << shown << '"');
            ASSERT_NO_FATAL_FAILURE(expect_verdict(
                run(p.name, r.input), r.verdicts[i] == 'B' ? p.good_line : p.bad_line, oracle(p, r.input).place));
        }
    }
}

TEST(Programs, VerdictLinesHaveTheirExactLengths)
{
    EXPECT_EQ(run("parencheck", "()").out.size(), 17U);
    EXPECT_EQ(run("parencheck", "(").out.size(), 21U);
    EXPECT_EQ(run("parencheck-terse", "()").out, std::string("Bon \n"));
    EXPECT_EQ(run("parencheck-terse", "(").out.size(), 9U);
}

TEST(Programs, ArgumentsAreIgnored)
{
    for (const oracle_rules &p : oracle_programs) {
        for (const auto &[input, line] : {std::pair{"()", p.good_line}, std::pair{"(", p.bad_line}}) {
            SCOPED_TRACE(testing::Message() << p.name << " on \"" << input << '"');
            ASSERT_NO_FATAL_FAILURE(expect_verdict(
                run_child(path_of(p.name), {.input = input, .arguments = {"--help", "-x", "/nonexistent"}}), line,
                oracle(p, input).place));
        }
    }
}

TEST(Programs, AFaultEndsTheReadingOneByteLaterEvenIfTheInputNeverDoes)
{
    for (const oracle_rules &p : oracle_programs) {
        SCOPED_TRACE(p.name);
        ASSERT_NO_FATAL_FAILURE(
            expect_verdict(run_child(path_of(p.name), {.input = "())(", .in = input_kind::held_open}), p.bad_line,
                           oracle(p, "())(").place));
        ASSERT_NO_FATAL_FAILURE(expect_verdict(run_child(path_of(p.name), {.input = "]", .in = input_kind::endless}),
                                               p.bad_line, oracle(p, "]").place));
        // The byte after the fault is taken by design: until it comes, or the
        // end of the input, the program waits and says nothing.
        const child_outcome waiting =
            run_child(path_of(p.name),
                      {.input = "())", .in = input_kind::held_open, .time_limit = std::chrono::milliseconds(500)});
        EXPECT_TRUE(waiting.timed_out) << "answered before the byte after the fault";
        EXPECT_EQ(waiting.out, "");
    }
    expect_verdict(run_child(path_of("parencheck-strict"), {.input = "(a)", .in = input_kind::held_open}),
                   "Mauvais parenthesage\n");
}

// Whoever starts a program may leave its input non-blocking: a read then
// fails with EAGAIN while the writer pauses. That is a wait, not trouble.
TEST(Programs, ANonBlockingInputIsWaitedFor)
{
    for (const oracle_rules &p : oracle_programs) {
        SCOPED_TRACE(p.name);
        ASSERT_NO_FATAL_FAILURE(expect_verdict(
            run_child(
                path_of(p.name),
                {.input = "(", .tail = ")", .tail_after = std::chrono::milliseconds(300), .non_blocking_input = true}),
            p.good_line));
    }
}

// The place parencheck-where gives, written out by hand: lines and columns
// count bytes from 1, whatever the bytes before the place are.
TEST(Programs, WhereTellsThePlaceOfTheFirstFault)
{
    struct row {
        const char *what;
        std::string input;
        std::string place;
    };
    std::string many_lines;
    for (int i = 0; i < 100'000; ++i) {
        many_lines += "f(a[i]) {}\n";
    }
    const row rows[] = {
        {"wrong family", "int main() {\n  f(a[1);\n}\n", "<stdin>:2:8: ')' does not close '[' opened at 2:6\n"},
        {"wrong family, opened lines before", "{\n\n  x\n)", "<stdin>:4:1: ')' does not close '{' opened at 1:1\n"},
        {"nothing open", "a\nb\nc\n  )", "<stdin>:4:3: ')' with nothing open\n"},
        {"nothing open, after a pair", "()]", "<stdin>:1:3: ']' with nothing open\n"},
        {"left open: the innermost", "{\n  [\n    (\n", "<stdin>:3:5: '(' is never closed\n"},
        {"left open, inner ones closed", "(()\n", "<stdin>:1:1: '(' is never closed\n"},
        {"deep in a long text", many_lines + "  f(]", "<stdin>:100001:5: ']' does not close '(' opened at 100001:4\n"},
        {"a long line", std::string(300'000, 'x') + "}", "<stdin>:1:300001: '}' with nothing open\n"},
        {"UTF-8 before it", "\xc3\xa9\xe2\x82\xac}", "<stdin>:1:6: '}' with nothing open\n"},
        {"a tab and a carriage return before it", "\t\r(]", "<stdin>:1:4: ']' does not close '(' opened at 1:3\n"},
        {"a newline just before it", "(\n]", "<stdin>:2:1: ']' does not close '(' opened at 1:1\n"},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.what);
        ASSERT_NO_FATAL_FAILURE(expect_verdict(run("parencheck-where", r.input), "Mauvais parenthesage\n", r.place));
    }
}

// The input is read in blocks, but from a file the bytes read ahead are given
// back: the next reader of the descriptor starts right after the last byte
// taken, the one past a fault or the last of all.
TEST(Programs, AFileIsLeftRightAfterTheLastByteTaken)
{
    const std::string texts[] = {"())(" + std::string(200'000, 'x'), "(a)[b]{c}" + std::string(200'000, 'x')};
    for (const std::string &text : texts) {
        for (const oracle_rules &p : oracle_programs) {
            SCOPED_TRACE(testing::Message() << p.name << " on " << text.size() << " bytes");
            const oracle_answer want = oracle(p, text);
            const child_outcome got = run_child(path_of(p.name), {.input = text, .in = input_kind::file});
            ASSERT_NO_FATAL_FAILURE(expect_verdict(got, want.line, want.place));
            EXPECT_EQ(got.input_offset, static_cast<long>(want.taken));
        }
    }
}

TEST(Programs, AReaderThatHasGoneEndsTheProgramBySigpipe)
{
    for (const oracle_rules &p : oracle_programs) {
        SCOPED_TRACE(p.name);
        const child_outcome got = run_child(path_of(p.name), {.input = "()", .out = output_kind::gone});
        ASSERT_FALSE(got.timed_out);
        EXPECT_EQ(got.signal, SIGPIPE);
        EXPECT_EQ(got.err, "");
    }
}

TEST(Programs, TroubleIsReportedAndNoVerdictWritten)
{
    struct row {
        const char *what;
        child_setup setup;
        std::string reason;
    };
    const std::string cannot_read = "cannot read standard input: ";
    const std::string cannot_write = "cannot write standard output: ";
    const row rows[] = {
        {"input is a directory", {.in = input_kind::directory}, cannot_read + std::strerror(EISDIR)},
        {"input is closed", {.in = input_kind::closed}, cannot_read + std::strerror(EBADF)},
        {"output is /dev/full", {.input = "()", .out = output_kind::full}, cannot_write + std::strerror(ENOSPC)},
        {"output is /dev/full, bad verdict",
         {.input = "(", .out = output_kind::full},
         cannot_write + std::strerror(ENOSPC)},
        {"output is closed", {.input = "()", .out = output_kind::closed}, cannot_write + std::strerror(EBADF)},
    };
    for (const row &r : rows) {
        for (const oracle_rules &p : oracle_programs) {
            SCOPED_TRACE(testing::Message() << p.name << ": " << r.what);
            ASSERT_NO_FATAL_FAILURE(
                expect_trouble(run_child(path_of(p.name), r.setup), std::string(p.name) + ": " + r.reason + "\n"));
        }
    }
}

// AddressSanitizer reserves terabytes of address space when a program starts,
// which no small limit allows; the compiler that built the programs built
// this test too, and says whether it used it.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool programs_use_address_sanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool programs_use_address_sanitizer = true;
#else
constexpr bool programs_use_address_sanitizer = false;
#endif
#else
constexpr bool programs_use_address_sanitizer = false;
#endif

TEST(Programs, AnExhaustedHeapIsTroubleUnderALimit)
{
    if (programs_use_address_sanitizer) {
        GTEST_SKIP() << "the programs are built with AddressSanitizer, which cannot start within a small limit";
    }
    // 4 Mi open brackets need 128 MiB of cells, twice the limit.
    for (const oracle_rules &p : oracle_programs) {
        SCOPED_TRACE(p.name);
        ASSERT_NO_FATAL_FAILURE(
            expect_trouble(run_child(path_of(p.name), {.input = nested(4 << 20, 0), .address_space = 64UL << 20}),
                           std::string(p.name) + ": out of memory\n"));
    }
}

} // namespace

namespace {

// Random texts, heavy in brackets, through the real programs: every byte of
// the output must be the oracle's. A text the oracle says is settled before
// its end is also sent down a pipe that is never closed: the program must
// not wait for the rest.
TEST(Programs, AgreeWithTheOracleOnRandomTexts)
{
    constexpr std::string_view alphabet = "(((()))){{}}[[]]a \n\xff";
    // A fixed seed: a failure must come back on the next run to be mended.
    std::mt19937 random(20261211); // NOLINT(cert-msc32-c,cert-msc51-cpp)
    for (int round = 0; round < 150; ++round) {
        std::string text(std::uniform_int_distribution<std::size_t>(0, 24)(random), '\0');
        for (char &c : text) {
            c = alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(random)];
        }
        for (const oracle_rules &p : oracle_programs) {
            SCOPED_TRACE(testing::Message() << p.name << " on \"" << printable(text) << '"');
            const oracle_answer want = oracle(p, text);
            ASSERT_NO_FATAL_FAILURE(expect_verdict(run(p.name, text), want.line, want.place));
            if (want.taken < text.size()) {
                ASSERT_NO_FATAL_FAILURE(expect_verdict(
                    run_child(path_of(p.name), {.input = text, .in = input_kind::held_open}), want.line, want.place));
            }
        }
    }
}

} // namespace
