sq_add_fuzzer(weather_calc_fuzz SOURCE weather_calc_fuzz.cc
  LIBS foundation_weather foundation_dates foundation_units foundation_fs resources
  SEEDS ${SQ_SEEDS}/weather_calc_fuzz)
