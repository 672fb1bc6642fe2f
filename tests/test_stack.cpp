#include "brackets.hpp"
#include "stack.hpp"

#include <gtest/gtest.h>

#include <malloc.h>

#include <cstddef>
#include <cstdlib>

namespace {

// Bytes the C heap has handed out and not taken back.
std::size_t heap_in_use()
{
    return mallinfo2().uordblks;
}

// The allocator keeps a few freed chunks in per-thread caches, which it
// counts as in use; a leaked stack would be thousands of times this.
constexpr std::size_t allocator_slack = 4096;

// Sanitizers and valgrind bring heaps of their own that this cannot see;
// they check for leaks themselves.
bool heap_is_countable()
{
    const std::size_t before = heap_in_use();
    void *volatile probe = std::malloc(4096);
    const bool seen = heap_in_use() >= before + 4096;
    std::free(probe);
    return seen;
}

TEST(Stack, PushAndPopReturnTheNewTop)
{
    bracket_stack s = stack_new();
    EXPECT_EQ(stack_is_empty(s), 1);

    s = stack_push(KIND_SQUARE, s);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(stack_is_empty(s), 0);
    stack_cell *const below = s;

    s = stack_push(KIND_ROUND, s);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->next, below);
    EXPECT_EQ(stack_top(s), KIND_ROUND);

    s = stack_pop(s);
    EXPECT_EQ(s, below);
    EXPECT_EQ(stack_top(s), KIND_SQUARE);

    s = stack_pop(s);
    EXPECT_EQ(stack_is_empty(s), 1);
}

TEST(Stack, HoldsAnyIntegerItIsGiven)
{
    bracket_stack s = stack_new();
    for (const std::int32_t kind : {-1, 7, INT32_MIN, INT32_MAX}) {
        s = stack_push(kind, s);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(stack_top(s), kind);
    }
    stack_free(s);
}

TEST(Stack, EmptyStackTopIsZeroAndPopIsEmpty)
{
    EXPECT_EQ(stack_top(stack_new()), 0);
    EXPECT_EQ(stack_pop(stack_new()), nullptr);
    stack_free(stack_new());
}

TEST(Stack, AMillionPushesThenAsManyPopsEndEmpty)
{
    constexpr int depth = 1'000'000;
    const std::size_t before = heap_in_use();
    bracket_stack s = stack_new();
    for (int i = 0; i < depth; ++i) {
        s = stack_push(i % 3, s);
        ASSERT_NE(s, nullptr);
    }
    for (int i = depth - 1; i >= 0; --i) {
        ASSERT_EQ(stack_top(s), i % 3);
        s = stack_pop(s);
    }
    EXPECT_EQ(stack_is_empty(s), 1);
    if (heap_is_countable()) {
        EXPECT_LE(heap_in_use(), before + allocator_slack) << "cells were not released";
    }
}

TEST(Stack, OnePushTakesOneCellAndFreeReleasesThemAll)
{
    if (!heap_is_countable()) {
        GTEST_SKIP() << "this heap is not the C library's; its own checker looks for leaks";
    }
    constexpr std::size_t depth = 100'000;
    const std::size_t before = heap_in_use();
    bracket_stack s = stack_new();
    for (std::size_t i = 0; i < depth; ++i) {
        s = stack_push(KIND_CURLY, s);
        ASSERT_NE(s, nullptr);
    }
    const std::size_t held = heap_in_use() - before;
    EXPECT_GE(held, depth * sizeof(stack_cell));
    // One heap chunk per cell, with the allocator's header: about 32 bytes.
    EXPECT_LE(held, depth * 33) << "more than one small cell per push";
    stack_free(s);
    EXPECT_LE(heap_in_use(), before + allocator_slack);
}

} // namespace
