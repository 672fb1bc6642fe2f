// The checker's heap calls, counted one by one. This test program is linked
// with --wrap=malloc, --wrap=realloc and --wrap=free, so that every call its own code and the
// checker make goes through the counters below; the C and C++ libraries'
// calls inside themselves do not, and so do not blur the count.
#include "scan_support.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstddef>
#include <string>

// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,readability-identifier-naming):
// the linker gives the wrapped and the real functions these names.
extern "C" void *__real_malloc(std::size_t size);
extern "C" void *__real_realloc(void *block, std::size_t size);
extern "C" void __real_free(void *block);

namespace {

struct heap_calls {
    long allocations = 0; // successful ones
    long releases = 0;    // of a block, not of null
    // The allocation, counted from 1 since the last reset, that fails; 0
    // for none.
    long failing = 0;
    long attempts = 0;
};

heap_calls calls;

void reset_calls(long failing = 0)
{
    calls = {.failing = failing};
}

} // namespace

extern "C" void *__wrap_malloc(std::size_t size)
{
    if (++calls.attempts == calls.failing) {
        errno = ENOMEM;
        return nullptr;
    }
    void *block = __real_malloc(size);
    if (block != nullptr) {
        ++calls.allocations;
    }
    return block;
}

// Growing a block is not one more: only a realloc of null counts.
extern "C" void *__wrap_realloc(void *block, std::size_t size)
{
    if (++calls.attempts == calls.failing) {
        errno = ENOMEM;
        return nullptr;
    }
    void *grown = __real_realloc(block, size);
    if (grown != nullptr && block == nullptr) {
        ++calls.allocations;
    }
    return grown;
}

extern "C" void __wrap_free(void *block)
{
    if (block != nullptr) {
        ++calls.releases;
    }
    __real_free(block);
}
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,readability-identifier-naming)

namespace {

std::size_t cells_in(bracket_stack s)
{
    std::size_t cells = 0;
    for (; s != nullptr; s = s->next) {
        ++cells;
    }
    return cells;
}

TEST(Heap, OneAllocationPerPushOneReleasePerPop)
{
    constexpr long depth = 1000;
    reset_calls();
    bracket_stack s = stack_new();
    EXPECT_EQ(calls.allocations, 0) << "the empty stack takes no memory";
    for (long i = 1; i <= depth; ++i) {
        s = stack_push(KIND_CURLY, s);
        ASSERT_NE(s, nullptr);
        ASSERT_EQ(calls.allocations, i);
    }
    EXPECT_EQ(stack_top(s), KIND_CURLY);
    EXPECT_EQ(calls.releases, 0) << "looking at the top released something";
    for (long i = 1; i <= depth; ++i) {
        s = stack_pop(s);
        ASSERT_EQ(calls.releases, i);
    }
    s = stack_pop(s);
    stack_free(s);
    EXPECT_EQ(calls.allocations, depth);
    EXPECT_EQ(calls.releases, depth) << "the empty stack released something";

    for (int i = 0; i < 10; ++i) {
        s = stack_push(KIND_ROUND, s);
    }
    reset_calls();
    stack_free(s);
    EXPECT_EQ(calls.releases, 10);
    EXPECT_EQ(calls.allocations, 0);
}

TEST(Heap, TheScanAllocatesPerOpeningBracketAndReleasesPerClosingOne)
{
    struct row {
        std::string text;
        long allocations;
        long releases; // by the scan; the cells left open are released after
    };
    const row rows[] = {
        {"", 0, 0},
        {"no bracket at all, however long the text\n", 0, 0},
        {"a(b[c]{d})e", 3, 3},
        {"((([", 4, 0},
        {"(()[]{", 4, 2},
        // A mismatch drops the top all the same; the fault ends the scan.
        {"((]((((", 2, 1},
        {")((((", 0, 0},
    };
    const program_under_test &plain = program_named("parencheck");
    for (const row &r : rows) {
        SCOPED_TRACE(testing::Message() << "input \"" << r.text << '"');
        std::FILE *in = fmemopen(const_cast<char *>(r.text.data()), r.text.size(), "r");
        ASSERT_NE(in, nullptr);
        reset_calls();
        const scan_result result = plain.scan(in);
        EXPECT_EQ(calls.allocations, r.allocations);
        EXPECT_EQ(calls.releases, r.releases);
        EXPECT_EQ(cells_in(result.open), static_cast<std::size_t>(r.allocations - r.releases));
        stack_free(result.open);
        EXPECT_EQ(calls.releases, calls.allocations) << "cells left after the scan";
        std::fclose(in);
    }
}

TEST(Heap, AFailedPushLeavesTheStackAsItWas)
{
    bracket_stack s = stack_push(KIND_SQUARE, stack_new());
    ASSERT_NE(s, nullptr);
    reset_calls(1);
    EXPECT_EQ(stack_push(KIND_ROUND, s), nullptr);
    EXPECT_EQ(cells_in(s), 1U);
    EXPECT_EQ(stack_top(s), KIND_SQUARE);
    EXPECT_EQ(calls.releases, 0);
    s = stack_push(KIND_ROUND, s);
    ASSERT_NE(s, nullptr) << "the heap works again, and so must the stack";
    EXPECT_EQ(cells_in(s), 2U);
    stack_free(s);
}

// Whichever allocation fails, the scan stops there with no verdict, and
// hands back exactly the cells it holds: releasing them leaves nothing.
TEST(Heap, WhicheverAllocationFailsTheScanReportsOutOfMemory)
{
    // Brackets alone, so that no program finds a fault before the end.
    const std::string text = "(([{}])[{(";
    constexpr long openings = 7;
    for (const program_under_test &p : all_programs) {
        // One cell per opening bracket, and whatever else a program keeps
        // (parencheck-where: the places): every one of them is made to fail
        // in turn, until a scan gets through.
        long n = 1;
        for (;; ++n) {
            SCOPED_TRACE(testing::Message() << p.rules.name << ", allocation " << n << " fails");
            std::FILE *in = fmemopen(const_cast<char *>(text.data()), text.size(), "r");
            ASSERT_NE(in, nullptr);
            reset_calls(n);
            const scan_result result = p.scan(in);
            const bool failed = calls.attempts >= n;
            if (failed) {
                EXPECT_EQ(result.status, scan_status::out_of_memory);
                EXPECT_EQ(result.error_number, ENOMEM);
                EXPECT_EQ(calls.attempts, n) << "it went on after the failure";
            } else {
                EXPECT_EQ(result.status, scan_status::bad);
            }
            EXPECT_EQ(cells_in(result.open), static_cast<std::size_t>(calls.allocations - calls.releases));
            stack_free(result.open);
            EXPECT_EQ(calls.releases, calls.allocations);
            std::fclose(in);
            if (!failed) {
                break;
            }
        }
        EXPECT_GT(n, openings) << p.rules.name << ": fewer allocations than opening brackets";
    }
}

} // namespace
