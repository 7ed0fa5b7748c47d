#pragma once

#include "BenchMaterial.h"

#include <vector>

// Registers the whole engine, plain and optimised, and the spread of its block times, for every
// engine on every material. The materials must outlive the benchmark run.
void registerChainBenchmarks (const std::vector<BenchMaterial>& materials);
