add_library(foundation_units OBJECT display_units.cc value_text.cc fixed_format.cc prog_config_data.cc)
target_link_libraries(foundation_units PUBLIC resources sq_options)
target_sources(foundation PRIVATE $<TARGET_OBJECTS:foundation_units>)
sq_add_test(foundation_units_test
  SOURCES tests/display_units_test.cc tests/fixed_format_test.cc tests/prog_config_data_test.cc
  LIBS foundation_units resources)
