list(APPEND WQSPEC_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/golden_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/database_edit_test.cpp
)
