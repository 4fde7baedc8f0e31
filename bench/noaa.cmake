# Climatological reports: an annual report of the generated 10-year station database
# against one sequential scan of the same year's records.
if(benchmark_FOUND)
  add_executable(noaa_bench noaa_bench.cc)
  target_link_libraries(noaa_bench PRIVATE reports app database foundation resources sq_options benchmark::benchmark)
  add_dependencies(noaa_bench make_synthetic_db)
  target_compile_definitions(noaa_bench PRIVATE
    SQ_BENCH_DATA="${PROJECT_BINARY_DIR}/bench_data"
    SQ_MAKE_SYNTHETIC_DB="$<TARGET_FILE:make_synthetic_db>")
endif()
