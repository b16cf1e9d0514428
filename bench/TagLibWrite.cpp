// taglib_write FILE TITLE: the peer's one-process-per-file title change for
// the batch timing. A program of its own, linked with TagLib alone, so that
// each process starts as a TagLib program would, without songcore's
// libraries to load.
#include <cstdio>
#include <string>

#include "bench/WriteBench.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: taglib_write FILE TITLE\n");
        return 2;
    }
    std::string error;
    if (!bench::WritePeerTitle(argv[1], argv[2], error)) {
        std::fprintf(stderr, "taglib_write: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
