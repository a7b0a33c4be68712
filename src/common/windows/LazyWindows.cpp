#include "common/windows/LazyWindows.h"

#include <QList>
#include <QPair>

#include <utility>

namespace lazyWindows {

namespace {

std::function<void()>& linker()
{
    static std::function<void()> link;
    return link;
}

QList<QPair<const void*, std::function<void()>>>& kept()
{
    static QList<QPair<const void*, std::function<void()>>> windows;
    return windows;
}

} // namespace

void setLinker(std::function<void()> link)
{
    linker() = std::move(link);
}

void keep(const void* pointer, std::function<void()> remove)
{
    for (const auto& window : std::as_const(kept()))
        if (window.first == pointer)
            return;
    kept().append({pointer, std::move(remove)});
}

void linkAll()
{
    if (linker())
        linker()();
}

void deleteAll()
{
    // Emptied first, so that a window kept meanwhile is a new list's.
    const auto windows = std::exchange(kept(), {});
    for (auto it = windows.crbegin(); it != windows.crend(); ++it)
        it->second();
}

} // namespace lazyWindows
