#pragma once

#include <thread>
#include <utility>

// Runs first on a thread of its own and second on this one, and returns when
// both are done; with together false both run here, first first. For work
// on a large table that splits into two parts touching nothing in common.
template<class First, class Second>
void RunSideBySide(bool together, First &&first, Second &&second)
{
    if (!together) {
        first();
        second();
        return;
    }
    std::thread helper(std::forward<First>(first));
    second();
    helper.join();
}
