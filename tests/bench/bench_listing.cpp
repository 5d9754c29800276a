// Times the walk of a folder tree the touch run makes: one breadth-first walk
// that lists every folder and hands over the files met on the way with their
// sizes and times. Prints the counts and the time of the fastest of a few
// passes.
// Usage: bench_listing.exe <Windows folder> [passes]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "toolkit/folder_tree.h"
#include "toolkit/string_array.h"

namespace {

struct Listing {
    int folders = 0;
    size_t files = 0;
    double seconds = 0;
};

Listing WalkTree(const std::string& folder)
{
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);

    StringArray folders;
    std::vector<TreeFile> files;
    const int count = ListFolderTree(folders, folder + "\\*.*", &files);

    QueryPerformanceCounter(&end);
    Listing listing;
    listing.folders = count;
    listing.files = files.size();
    listing.seconds = static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    EraseArray(folders);
    return listing;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_listing <folder> [passes]\n");
        return 2;
    }
    const int passes = argc > 2 ? std::atoi(argv[2]) : 3;
    Listing best;
    for (int pass = 0; pass < passes; ++pass) {
        const Listing listing = WalkTree(argv[1]);
        if (pass == 0 || listing.seconds < best.seconds)
            best = listing;
    }
    std::printf("folders=%d files=%zu seconds=%.3f\n", best.folders, best.files, best.seconds);
    return 0;
}
