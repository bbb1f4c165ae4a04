list(APPEND WQSPEC_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/batch_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/batch_reuse_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/batch_files_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/outputs_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cold_waters_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/batch_table_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/joint_solve_run_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/redox_run_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pitzer_runs_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/evaporate_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/react_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/react_water_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/model_options_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/table_of_waters_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/activity_range_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/many_species_test.cpp
)
