# Archive download benchmarks against the console simulator (pseudo-terminal and
# loopback TCP): the page loop of a full archive, the whole download with the setup's
# pauses, and a line paced at 19200 bit/s.
if(benchmark_FOUND)
  add_executable(download_bench download_bench.cc)
  target_link_libraries(download_bench PRIVATE link console_sim_lib app database foundation resources sq_options
                        benchmark::benchmark Threads::Threads)
endif()
