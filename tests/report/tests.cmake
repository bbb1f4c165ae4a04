list(APPEND WQSPEC_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/listing_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/debug_tables_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/solver_listing_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/saturation_report_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sweep_table_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/records_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/column_selection_test.cpp
)
