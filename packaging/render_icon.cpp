#include "app/window/Logo.h"

#include <cstdio>
#include <cstdlib>

// Writes the window icon as a square PNG for the desktop's icon theme:
//   render_icon SIZE FILE
int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fputs("usage: render_icon SIZE FILE\n", stderr);
        return 2;
    }
    const int size = std::atoi(argv[1]);
    if (size <= 0 || !drawWindowIcon(size).save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "render_icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
