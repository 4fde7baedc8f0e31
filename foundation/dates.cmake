add_library(foundation_dates OBJECT clock.cc date_time.cc daylight_savings.cc regional_settings.cc)
target_link_libraries(foundation_dates PUBLIC resources sq_options)
target_sources(foundation PRIVATE $<TARGET_OBJECTS:foundation_dates>)
sq_add_test(foundation_dates_test
  SOURCES tests/clock_test.cc tests/date_time_test.cc tests/daylight_savings_test.cc
          tests/regional_settings_test.cc
  LIBS foundation_dates resources)
