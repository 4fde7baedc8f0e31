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
