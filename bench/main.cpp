// The benchmarks run under the same process set-up as the program.
#include <benchmark/benchmark.h>

#include "platform/ProcessMemory.h"

int main(int argc, char** argv) {
  platform::KeepFreedMemoryForReuse();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
