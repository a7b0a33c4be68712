#pragma once

#include <QIcon>
#include <QPixmap>

// The program's picture: a page with the letter "К", drawn at any size.
QPixmap programIcon(int size);

// The picture in the sizes a desktop shows for a window.
QIcon programWindowIcon();
