# Daily summaries, the rain history, data-note names and the daylight-hours count.
target_sources(database PRIVATE
  daily_summary_object.cc
  daily_summary_ops.cc
  rain_database.cc
  data_notes.cc
  daylight_hours.cc
)
sq_add_test(database_summaries_test
  SOURCES
    tests/daily_summary_test.cc
    tests/summary_ops_test.cc
    tests/rain_database_test.cc
  LIBS database foundation resources)
