#include "app/command_line.h"

int scanBufferingOption(int argc, char** argv, std::FILE* out) {
    int doubleBuffered = 1;
    if (argc > 1) {
        for (const char* c = argv[1]; *c != '\0'; ++c) {
            if (*c == 's') {
                std::fputs("Single Buffered\n", out);
                doubleBuffered = 0;
            }
        }
    }
    return doubleBuffered;
}
