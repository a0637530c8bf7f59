#pragma once
// Shared mappings of files that another program of the same user may cut
// short. A truncated file takes the pages beyond its new end away from every
// mapping of it, and the next access there raises SIGBUS. For a watched
// mapping a handler of that signal puts private zero pages in place of the
// whole mapping instead, marks it lost and lets the access go on; the owner
// asks pagesLost() at its next step and stops sharing. Faults elsewhere go
// to the handler that was there before (by default they end the program).

#include <cstddef>

namespace sim {

class MappingWatch {
public:
    MappingWatch() = default;
    ~MappingWatch() { forget(); }
    MappingWatch(const MappingWatch&) = delete;
    MappingWatch& operator=(const MappingWatch&) = delete;

    // Watches [address, address + length). False when this process watches
    // as many mappings as it can already.
    bool watch(void* address, size_t length);
    // Stops watching; before the mapping is unmapped.
    void forget();
    // A bus error on the mapping put private zero pages in its place.
    bool pagesLost() const;

    // Puts private zero pages in place of [address, address + length), the
    // same addresses; false when the system refused.
    static bool replaceWithPrivatePages(void* address, size_t length);

private:
    int m_slot = -1;
};

} // namespace sim
