# The hand-built programs and databases every test folder shares, compiled once.
list(APPEND WQSPEC_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/kdb_writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_program.cpp
  ${CMAKE_CURRENT_LIST_DIR}/program_run.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/csv_table.cpp
)
