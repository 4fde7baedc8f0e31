# Record values: weather-data identifiers, the variable catalogue and archive record values.
target_sources(database PRIVATE
  variable_catalogue.cc
  data_record_object.cc
  weather_data_object.cc
)
sq_add_test(database_values_test
  SOURCES
    tests/record_values_test.cc
    tests/catalogue_test.cc
  LIBS database foundation resources)
