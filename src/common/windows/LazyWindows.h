#pragma once

#include <functional>

// The windows besides the first ones are made when first needed: a window's
// pointer stays empty until made() makes it. Every window made is kept in
// one list and deleted with the others at the end, newest first.
namespace lazyWindows {

// Runs after a window is made, so that it is linked with those that stand.
void setLinker(std::function<void()> link);

// Keeps the window behind `pointer` to be deleted by deleteAll(); a pointer
// kept already is not kept twice.
void keep(const void* pointer, std::function<void()> remove);

// Runs the linker, when there is one.
void linkAll();

// Deletes every window kept, newest first, and empties their pointers.
void deleteAll();

// The window behind `pointer`, made now if it is not yet.
template <class Window> Window* made(Window*& pointer)
{
    if (!pointer) {
        pointer = new Window;
        keep(&pointer, [&pointer] {
            delete pointer;
            pointer = nullptr;
        });
        linkAll();
    }
    return pointer;
}

} // namespace lazyWindows
