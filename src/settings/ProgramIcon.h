#pragma once

#include <QPixmap>

// The program's picture: a page with the letter "К", drawn at any size.
QPixmap programIcon(int size);
