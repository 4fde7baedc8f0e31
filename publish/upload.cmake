# The FTP session, the upload runs and their schedule, tested against a real FTP server
# (pyftpdlib) that the tests start on 127.0.0.1.
add_library(ftp_test_server STATIC tests/ftp_test_server.cc)
target_compile_definitions(ftp_test_server PRIVATE SQ_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
target_include_directories(ftp_test_server PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(ftp_test_server PRIVATE sq_options)

sq_add_test(ftp_protocol_test
  SOURCES tests/ftp_protocol_test.cc
  LIBS publish ftp_test_server)

sq_add_test(upload_run_test
  SOURCES tests/upload_run_test.cc
  LIBS publish ftp_test_server)
target_compile_definitions(upload_run_test PRIVATE SQ_MAKE_SYNTHETIC_DB="$<TARGET_FILE:make_synthetic_db>")
add_dependencies(upload_run_test make_synthetic_db)

# The upload command and run's schedule end to end against the console simulator.
add_test(NAME upload_cli_test
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/tests/upload_cli_test.sh
                 ${PROJECT_BINARY_DIR}/stratoquill ${PROJECT_BINARY_DIR}/console_sim)
set_tests_properties(upload_cli_test PROPERTIES TIMEOUT 120)
