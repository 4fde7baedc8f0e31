# Database benchmarks against a generated 10-year station database (kept in the build
# folder between runs).
if(benchmark_FOUND)
  add_executable(database_bench database_bench.cc)
  target_link_libraries(database_bench PRIVATE database foundation resources sq_options benchmark::benchmark)
  add_dependencies(database_bench make_synthetic_db)
  target_compile_definitions(database_bench PRIVATE
    SQ_BENCH_DATA="${PROJECT_BINARY_DIR}/bench_data"
    SQ_MAKE_SYNTHETIC_DB="$<TARGET_FILE:make_synthetic_db>")
endif()
