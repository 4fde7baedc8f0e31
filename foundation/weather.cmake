add_library(foundation_weather OBJECT weather_tables.cc weather_calc.cc astronomy.cc sun_moon.cc)
target_link_libraries(foundation_weather PUBLIC resources sq_options)
target_sources(foundation PRIVATE $<TARGET_OBJECTS:foundation_weather>)
sq_add_test(foundation_weather_test
  SOURCES tests/weather_calc_test.cc tests/weather_tables_test.cc tests/weather_astronomy_test.cc
          tests/sun_moon_test.cc
  LIBS foundation_weather foundation_dates foundation_units foundation_fs resources)
