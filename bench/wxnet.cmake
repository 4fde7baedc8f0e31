# Weather Underground catch-up walk on the generated 10-year station database.
if(benchmark_FOUND)
  add_executable(wxnet_bench wxnet_bench.cc)
  target_link_libraries(wxnet_bench PRIVATE publish app database foundation resources sq_options benchmark::benchmark)
  add_dependencies(wxnet_bench make_synthetic_db)
  target_compile_definitions(wxnet_bench PRIVATE
    SQ_BENCH_DATA="${PROJECT_BINARY_DIR}/bench_data"
    SQ_MAKE_SYNTHETIC_DB="$<TARGET_FILE:make_synthetic_db>")
endif()
