# Expansion modules: the loader, the command table, events and the functions exported
# to modules (an object library, so that every export is linked into the executable).
target_sources(app PRIVATE
  module_list.cc
  event_manager.cc
  module_manager.cc
  module_host.cc
)
target_include_directories(app PUBLIC ${PROJECT_SOURCE_DIR}/include)
target_link_libraries(app PUBLIC ${CMAKE_DL_LIBS})

add_library(module_exports OBJECT
  module_exports_units.cc
  module_exports_services.cc
  module_exports_database.cc
)
target_link_libraries(module_exports PUBLIC app database foundation resources sq_options)

# The sample module and faulty variants of it, built as the tests' modules. They are
# plain C and leave the program's functions undefined.
enable_language(C)
set(SQ_TEST_MODULES
  "sample_module"
  "mod_v600:SAMPLE_REQUIRED=0x050600,SAMPLE_ID=0x600"
  "mod_same_id"
  "mod_no_caps:SAMPLE_NO_CAPS"
  "mod_no_strs:SAMPLE_NO_STRS"
  "mod_no_init:SAMPLE_NO_INIT"
  "mod_no_commands:SAMPLE_NO_COMMANDS,SAMPLE_ID=0x700"
  "mod_init_fails:SAMPLE_INIT_RESULT=0,SAMPLE_ID=0x800"
)
set(SQ_TEST_MODULE_DIR ${PROJECT_BINARY_DIR}/test_modules)
set(sq_module_targets "")
foreach(entry IN LISTS SQ_TEST_MODULES)
  string(REPLACE ":" ";" parts "${entry}")
  string(REPLACE "," ";" parts "${parts}")
  list(GET parts 0 name)
  list(LENGTH parts n)
  add_library(${name} MODULE ${PROJECT_SOURCE_DIR}/examples/modules/sample_module.c)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/include)
  target_compile_options(${name} PRIVATE -Wall -Wextra -Werror)
  if(n GREATER 1)
    list(SUBLIST parts 1 -1 defs)
    target_compile_definitions(${name} PRIVATE ${defs})
    # A variant without an entry point leaves helpers of that entry point unused.
    target_compile_options(${name} PRIVATE -Wno-unused-function -Wno-unused-variable)
  endif()
  set_target_properties(${name} PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${SQ_TEST_MODULE_DIR})
  list(APPEND sq_module_targets ${name})
endforeach()

add_library(console_module MODULE tests/console_module.c)
target_include_directories(console_module PRIVATE ${PROJECT_SOURCE_DIR}/include)
target_compile_options(console_module PRIVATE -Wall -Wextra -Werror)
set_target_properties(console_module PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${SQ_TEST_MODULE_DIR})
list(APPEND sq_module_targets console_module)

sq_add_test(app_modules_test
  SOURCES tests/module_list_test.cc tests/event_manager_test.cc tests/module_loader_test.cc
          tests/module_exports_test.cc
  LIBS module_exports app database foundation resources)
set_target_properties(app_modules_test PROPERTIES ENABLE_EXPORTS ON)
add_dependencies(app_modules_test ${sq_module_targets})
target_compile_definitions(app_modules_test PRIVATE SQ_TEST_MODULE_DIR="${SQ_TEST_MODULE_DIR}")

# The modules command end to end.
add_test(NAME app_modules_cli_test
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/tests/modules_cli_test.sh ${PROJECT_BINARY_DIR}/stratoquill
                 ${SQ_TEST_MODULE_DIR} ${PROJECT_BINARY_DIR}/console_sim)
set_tests_properties(app_modules_cli_test PROPERTIES TIMEOUT 300)
