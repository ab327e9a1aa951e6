#pragma once

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace movra::bench {

// Google Benchmark's start, with repetitions interleaved at random unless the command line says
// otherwise: on a shared machine a burst of other work then falls on goal and floor alike. False
// when the command line holds something unknown (told already).
[[nodiscard]] inline bool InitInterleaved(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    bool given = false;
    for (int i = 1; i < argc; ++i)
        given |= std::strncmp(argv[i], "--benchmark_enable_random_interleaving", 38) == 0;
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    if (!given)
        args.insert(args.begin() + 1, interleave);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    return !benchmark::ReportUnrecognizedArguments(count, args.data());
}

} // namespace movra::bench
