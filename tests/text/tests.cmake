list(APPEND WQSPEC_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/layout_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fields_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/channels_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/textfile_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/name_list_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/number_text_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/csv_reader_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/staged_file_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/stop_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/table_test.cpp
)
