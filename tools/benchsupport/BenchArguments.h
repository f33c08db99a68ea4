// The first argument every benchmark program takes: "--tsv" asks for the rows that
// scripts/bench.sh reads instead of a table for people.
#pragma once

#include <cstring>

// Answers whether the arguments start with "--tsv", and takes it off them.
inline bool TakeTsvOption(int& argc, char**& argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--tsv") == 0) {
        --argc;
        ++argv;
        return true;
    }
    return false;
}
