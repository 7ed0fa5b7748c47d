#include "BenchMaterial.h"
#include "ChainBenchmarks.h"

#include <benchmark/benchmark.h>

#include <iostream>

// tollovane_bench [--material=NAME=PATH]... [Google Benchmark flags]
int main (int argc, char** argv)
{
    try
    {
        static const auto materials = BenchMaterial::fromArguments (argc, argv);
        registerChainBenchmarks (materials);
    }
    catch (const std::exception& e)
    {
        std::cerr << "tollovane_bench: " << e.what() << "\n";
        return 1;
    }

    benchmark::Initialize (&argc, argv);
    if (benchmark::ReportUnrecognizedArguments (argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
