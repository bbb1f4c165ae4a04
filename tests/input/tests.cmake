list(APPEND WQSPEC_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/database_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/minerals_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/database_file_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/logk_cache_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reading_plan_test.cpp
)
list(APPEND WQSPEC_TEST_SOURCES ${CMAKE_CURRENT_LIST_DIR}/run_input_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/waters_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lab_table_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/table_units_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/case_writer_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reaction_path_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pitzer_parameters_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/redox_options_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/data_range_test.cpp)
