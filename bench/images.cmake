# Weather images: the current image set, and the history graphs over a day and a year of
# the generated 10-year station database.
if(benchmark_FOUND)
  add_executable(images_bench images_bench.cc)
  target_link_libraries(images_bench PRIVATE publish reports database app foundation resources sq_options
                        benchmark::benchmark)
  add_dependencies(images_bench make_synthetic_db)
  target_compile_definitions(images_bench PRIVATE
    SQ_BENCH_DATA="${PROJECT_BINARY_DIR}/bench_data"
    SQ_MAKE_SYNTHETIC_DB="$<TARGET_FILE:make_synthetic_db>")
endif()
