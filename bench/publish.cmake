# Template pages: the cost of a page per line of template.
if(benchmark_FOUND)
  add_executable(publish_bench publish_bench.cc)
  target_link_libraries(publish_bench PRIVATE publish app foundation resources sq_options benchmark::benchmark)
  target_compile_definitions(publish_bench PRIVATE SQ_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endif()
