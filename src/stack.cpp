#include "stack.hpp"

#include <cstdlib>

bracket_stack stack_new()
{
    return nullptr;
}

int stack_is_empty(bracket_stack s)
{
    return s == nullptr ? 1 : 0;
}

bracket_stack stack_push(std::int32_t kind, bracket_stack s)
{
    // malloc rather than new: a failed allocation must come back as a value
    // the checker can report, and the program uses no exceptions.
    auto *cell = static_cast<stack_cell *>(std::malloc(sizeof(stack_cell)));
    if (cell == nullptr) {
        return nullptr;
    }
    cell->kind = kind;
    cell->next = s;
    return cell;
}

std::int32_t stack_top(bracket_stack s)
{
    return s == nullptr ? 0 : s->kind;
}

bracket_stack stack_pop(bracket_stack s)
{
    if (s == nullptr) {
        return nullptr;
    }
    stack_cell *below = s->next;
    std::free(s);
    return below;
}

void stack_free(bracket_stack s)
{
    while (s != nullptr) {
        s = stack_pop(s);
    }
}
