# sq_add_test(NAME SOURCES a.cc b.cc LIBS lib1 lib2 [GOLDEN])
# One GoogleTest executable registered with CTest, with the shared test helpers
# (test_support/). Tests run from the build folder with SQ_SOURCE_DIR pointing at the
# source tree, for fixtures and golden files. GOLDEN: the test compares output with
# golden files, and the target regenerate-golden runs it to rewrite them.
function(sq_add_test name)
  cmake_parse_arguments(T "GOLDEN" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} sq_test_support sq_options GTest::gtest GTest::gmock Threads::Threads)
  target_compile_definitions(${name} PRIVATE SQ_SOURCE_DIR="${PROJECT_SOURCE_DIR}" SQ_BINARY_DIR="${PROJECT_BINARY_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600 ENVIRONMENT "SQ_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  if(T_GOLDEN)
    add_custom_target(regenerate-golden-${name} COMMAND ${name} --regenerate-golden
                      WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} USES_TERMINAL VERBATIM)
    add_dependencies(regenerate-golden regenerate-golden-${name})
  endif()
endfunction()

# sq_add_fuzzer(NAME SOURCE file.cc LIBS libs... SEEDS dir)
# With SQ_FUZZ the target is a libFuzzer binary. Without it the same entry point is
# linked with a small driver that replays every file in the seed folder, and that
# replay runs as an ordinary test.
function(sq_add_fuzzer name)
  cmake_parse_arguments(F "" "SOURCE;SEEDS" "LIBS" ${ARGN})
  if(SQ_FUZZ)
    add_executable(${name} ${F_SOURCE})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    add_executable(${name} ${F_SOURCE} ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cc)
  endif()
  target_link_libraries(${name} PRIVATE ${F_LIBS} sq_options)
  if(TARGET fuzzers)
    add_dependencies(fuzzers ${name})
  endif()
  if(F_SEEDS)
    if(SQ_FUZZ)
      # libFuzzer only replays with -runs=0; the short run writes what it finds into a
      # corpus folder of the build tree, never into the seeds.
      set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
      file(MAKE_DIRECTORY ${corpus})
      add_test(NAME ${name}_replay COMMAND ${name} -runs=0 ${F_SEEDS})
      add_test(NAME ${name}_smoke COMMAND ${name} -max_total_time=15 -rss_limit_mb=2048 ${corpus} ${F_SEEDS})
      set_tests_properties(${name}_smoke PROPERTIES TIMEOUT 120)
    else()
      add_test(NAME ${name}_replay COMMAND ${name} ${F_SEEDS})
    endif()
  endif()
endfunction()
