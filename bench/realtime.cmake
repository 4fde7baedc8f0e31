# Current conditions: one BulletinData update, and the real-time manager polling the
# console simulator through a simulated day.
if(benchmark_FOUND)
  add_executable(realtime_bench realtime_bench.cc)
  target_link_libraries(realtime_bench PRIVATE realtime console_sim_lib sq_options benchmark::benchmark
                        Threads::Threads)
endif()
