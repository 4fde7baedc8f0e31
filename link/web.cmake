# Archive download from the web service: the HTTP client and the web download.
find_package(CURL REQUIRED)
target_sources(link PRIVATE
  http_client.cc
  web_download.cc
)
target_link_libraries(link PRIVATE CURL::libcurl)
sq_add_test(link_web_test
  SOURCES
    tests/web_download_test.cc
  LIBS link console_sim_lib app database foundation resources)
