# Record-value benchmarks: the per-record cost of browser and export lines.
if(benchmark_FOUND)
  add_executable(values_bench values_bench.cc)
  target_link_libraries(values_bench PRIVATE database foundation resources sq_options benchmark::benchmark)
endif()
