// cadhost: the host program that opens drawings and runs the module's commands.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("cadhost %s\n", QV_VERSION);
            return 0;
        }
    }
    std::fprintf(stderr, "usage: cadhost --version\n");
    return 1;
}
