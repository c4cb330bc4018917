#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

// The application's own pictures, drawn rather than shipped: the 125 x 35 logo of the banner
// and the 32 x 32 window icon, both a receipt coming out of a printer.
QPixmap makeLogo();
QIcon makeWindowIcon();
// The window icon's picture at any size, for the icon files the desktop's menu shows.
QImage drawWindowIcon(int size);
