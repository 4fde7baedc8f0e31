# The dashboard: a one-year plot of the generated 10-year database, /api/current under
# 100 concurrent clients, and the delay from a packet to its event in a client.
if(benchmark_FOUND)
  add_executable(dashboard_bench dashboard_bench.cc)
  target_link_libraries(dashboard_bench PRIVATE ui_dashboard sq_options benchmark::benchmark Threads::Threads)
  add_dependencies(dashboard_bench make_synthetic_db)
  target_compile_definitions(dashboard_bench PRIVATE
    SQ_BENCH_DATA="${PROJECT_BINARY_DIR}/bench_data"
    SQ_MAKE_SYNTHETIC_DB="$<TARGET_FILE:make_synthetic_db>")
endif()
