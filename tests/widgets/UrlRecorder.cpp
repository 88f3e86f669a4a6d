// Stand-in browser for the URL launcher's tests: writes the arguments it was started with, as
// the C runtime split them, to the file named by QV_URL_RECORD: the count on the first line,
// then each argument as "<length>:<bytes>" on a line of its own.
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    const char* path = std::getenv("QV_URL_RECORD");
    if (!path) return 1;
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return 1;
    std::fprintf(f, "%d\n", argc - 1);
    for (int i = 1; i < argc; ++i) {
        std::fprintf(f, "%u:", static_cast<unsigned>(std::strlen(argv[i])));
        std::fwrite(argv[i], 1, std::strlen(argv[i]), f);
        std::fputc('\n', f);
    }
    std::fclose(f);
    return 0;
}
