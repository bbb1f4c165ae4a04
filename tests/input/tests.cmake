list(APPEND WQSPEC_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/database_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/minerals_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/database_file_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../support/kdb_writer.cpp
)
list(APPEND WQSPEC_TEST_SOURCES ${CMAKE_CURRENT_LIST_DIR}/run_input_test.cpp)
