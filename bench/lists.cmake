# Export benchmark: one year of 5-minute records through the default archive list.
if(benchmark_FOUND)
  add_executable(export_bench export_bench.cc)
  target_link_libraries(export_bench PRIVATE reports app database foundation resources sq_options benchmark::benchmark)
  add_dependencies(export_bench make_synthetic_db)
  target_compile_definitions(export_bench PRIVATE
    SQ_BENCH_DATA="${PROJECT_BINARY_DIR}/bench_data"
    SQ_MAKE_SYNTHETIC_DB="$<TARGET_FILE:make_synthetic_db>")
endif()
