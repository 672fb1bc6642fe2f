// The stack of open brackets: a singly linked list of kind codes, one heap
// cell per open bracket, so nesting is bounded by memory alone.
//
// The operations that change the stack take the old top and return the new
// one; the caller stores the result back, and the compiler holds it to that. Whoever holds a bracket_stack owns
// every cell below it.
#ifndef PARENCHECK_STACK_HPP
#define PARENCHECK_STACK_HPP

#include <cstdint>

struct stack_cell {
    std::int32_t kind;
    stack_cell *next;
};

// The top cell, or null for the empty stack.
using bracket_stack = stack_cell *;

bracket_stack stack_new();
int stack_is_empty(bracket_stack s);

// Returns the new top, a fresh cell holding kind above s. When the heap is
// exhausted it returns null and s is left as it was, still owned by the
// caller: a successful push never yields the empty stack, so null is
// unambiguous, and the caller decides how to report it.
[[nodiscard]] bracket_stack stack_push(std::int32_t kind, bracket_stack s);

// The kind on top; 0 for the empty stack, which is also KIND_ROUND, so a
// caller that must tell the two apart asks stack_is_empty first.
std::int32_t stack_top(bracket_stack s);

// Releases the top cell and returns the stack below it; the empty stack
// stays empty. The old value of s is dead afterwards.
[[nodiscard]] bracket_stack stack_pop(bracket_stack s);

// Releases every cell, top first.
void stack_free(bracket_stack s);

#endif
