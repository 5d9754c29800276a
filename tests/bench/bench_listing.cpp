// Times the listing of a folder tree into string arrays the way the touch run
// does it: the folder tree by Tableau code 19, then for each folder the files
// by code 17 (full paths, after ResetArray), each appended to one list by
// code 1. Prints the counts and the time of the fastest of a few passes.
// Usage: bench_listing.exe <Windows folder> [passes]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "toolkit/string_array.h"
#include "toolkit/tableau.h"

namespace {

struct Listing {
    int folders = 0;
    int files = 0;
    double seconds = 0;
};

Listing ListTree(const std::string& folder)
{
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);

    StringArray folders, files, all;
    Tableau(19, folders, 0, folder + "\\*.*");
    for (int i = 1; i <= UpperBound(folders); ++i) {
        ResetArray(files);
        Tableau(17, files, 1, Element(folders, i) + "\\*.*");
        for (int j = 1; j <= UpperBound(files); ++j)
            Tableau(1, all, 0, Element(files, j));
    }

    QueryPerformanceCounter(&end);
    Listing listing;
    listing.folders = UpperBound(folders);
    listing.files = UpperBound(all);
    listing.seconds = static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    EraseArray(folders);
    EraseArray(files);
    EraseArray(all);
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
        const Listing listing = ListTree(argv[1]);
        if (pass == 0 || listing.seconds < best.seconds)
            best = listing;
    }
    std::printf("folders=%d files=%d seconds=%.3f\n", best.folders, best.files, best.seconds);
    return 0;
}
