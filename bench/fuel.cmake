# Fuel estimates: the fuel demand report of many customers on the generated 10-year
# station database, against estimating them one by one.
if(benchmark_FOUND)
  add_executable(fuel_bench fuel_bench.cc)
  target_link_libraries(fuel_bench PRIVATE reports app database foundation resources sq_options benchmark::benchmark)
  add_dependencies(fuel_bench make_synthetic_db)
  target_compile_definitions(fuel_bench PRIVATE
    SQ_BENCH_DATA="${PROJECT_BINARY_DIR}/bench_data"
    SQ_MAKE_SYNTHETIC_DB="$<TARGET_FILE:make_synthetic_db>")
endif()
