#pragma once

#include <QString>

// Whether the desktop names a program for opening a kind of file: asked of
// xdg-mime, as the desktop's own opener (xdg-open) asks it. True when that
// cannot be told (no xdg-mime), so that the open is tried all the same.
namespace systemViewer {

bool hasViewerFor(const QString& fileName);

} // namespace systemViewer
