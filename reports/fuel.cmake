# Heating-fuel estimates: customer files, estimates, the K factor and the report.
target_sources(reports PRIVATE
  fuel_customer.cc
  fuel_client_form.cc
  fuel_estimate.cc
  fuel_kfactor.cc
  fuel_report.cc
)
sq_add_test(reports_fuel_test
  SOURCES
    tests/fuel_customer_test.cc
    tests/fuel_estimate_test.cc
    tests/fuel_report_test.cc
  LIBS reports app database foundation resources)

# The fuel command end to end (make_synthetic_db is defined later, in tools/).
add_test(NAME reports_fuel_cli_test
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/tests/fuel_cli_test.sh
                 ${PROJECT_BINARY_DIR}/stratoquill $<TARGET_FILE:make_synthetic_db>)
set_tests_properties(reports_fuel_cli_test PROPERTIES TIMEOUT 120)
