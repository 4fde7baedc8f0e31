# Archive download: console records, the page loop and storing into the database.
target_sources(link PRIVATE
  archive_download.cc
  console_record.cc
  download_journal.cc
  download_progress.cc
)
sq_add_test(link_download_test
  SOURCES
    tests/download_record_test.cc
    tests/download_e2e_test.cc
  LIBS link reports console_sim_lib app database foundation resources)
