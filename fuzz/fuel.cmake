sq_add_fuzzer(fuel_customer_fuzz SOURCE fuel_customer_fuzz.cc LIBS reports app database foundation resources
  SEEDS ${SQ_SEEDS}/fuel_customer_fuzz)
