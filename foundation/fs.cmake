add_library(foundation_fs OBJECT file_util.cc file_lock.cc file_system.cc mem_file_system.cc)
target_link_libraries(foundation_fs PUBLIC sq_options)
target_sources(foundation PRIVATE $<TARGET_OBJECTS:foundation_fs>)
sq_add_test(foundation_fs_test SOURCES tests/file_util_test.cc LIBS foundation_fs)
