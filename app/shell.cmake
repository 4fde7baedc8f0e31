# Start-up, the classic command line, the run loop and the automatic download and clear
# schedules.
target_sources(app PRIVATE
  command_line.cc
  startup.cc
  scheduler.cc
  run_loop.cc
)

sq_add_test(app_shell_test
  SOURCES tests/shell_command_line_test.cc tests/shell_startup_test.cc tests/shell_scheduler_test.cc
          tests/shell_run_loop_test.cc
  LIBS app database foundation resources)

# The executable end to end against the console simulator.
add_test(NAME app_shell_cli_test
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/tests/shell_cli_test.sh
                 ${PROJECT_BINARY_DIR}/stratoquill ${PROJECT_BINARY_DIR}/console_sim)
set_tests_properties(app_shell_cli_test PROPERTIES TIMEOUT 300)
