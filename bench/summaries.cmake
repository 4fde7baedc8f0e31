# Recomputing every daily summary and every extra-radiation value of the generated
# 10-year station database (a copy of it, since both write).
if(benchmark_FOUND)
  add_executable(summaries_bench summaries_bench.cc)
  target_link_libraries(summaries_bench PRIVATE database foundation resources sq_options benchmark::benchmark)
  add_dependencies(summaries_bench make_synthetic_db)
  target_compile_definitions(summaries_bench PRIVATE
    SQ_BENCH_DATA="${PROJECT_BINARY_DIR}/bench_data"
    SQ_MAKE_SYNTHETIC_DB="$<TARGET_FILE:make_synthetic_db>")
endif()
