// Command-line front of the driver, for the demo and the benchmark.
#include <cstdio>
#include <cstring>

#include "driver/driver.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: kdriver <command> ...\n");
        return 2;
    }
    std::fprintf(stderr, "kdriver: unknown command %s\n", argv[1]);
    return 2;
}
