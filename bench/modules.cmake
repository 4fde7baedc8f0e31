# A module's reads through the exported functions, and the event check.
if(benchmark_FOUND)
  add_executable(modules_bench modules_bench.cc)
  target_link_libraries(modules_bench PRIVATE module_exports app database foundation resources sq_options
                        benchmark::benchmark)
  add_dependencies(modules_bench make_synthetic_db)
  target_compile_definitions(modules_bench PRIVATE
    SQ_BENCH_DATA="${PROJECT_BINARY_DIR}/bench_data"
    SQ_MAKE_SYNTHETIC_DB="$<TARGET_FILE:make_synthetic_db>")
endif()
