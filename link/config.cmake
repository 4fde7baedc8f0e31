# Console settings: configuration commands, clearing, calibration, settings password.
target_sources(link PRIVATE
  console_config.cc
  console_config_actions.cc
  console_config_blocks.cc
  settings_password.cc
)

sq_add_test(link_config_test
  SOURCES
    tests/console_config_blocks_test.cc
    tests/console_config_test.cc
  LIBS link console_sim_lib app database foundation resources)
