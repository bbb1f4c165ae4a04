list(APPEND WQSPEC_TEST_SOURCES ${CMAKE_CURRENT_LIST_DIR}/eos_test.cpp ${CMAKE_CURRENT_LIST_DIR}/redox_test.cpp)
list(APPEND WQSPEC_TEST_SOURCES ${CMAKE_CURRENT_LIST_DIR}/forced_saturation_test.cpp)
list(APPEND WQSPEC_TEST_SOURCES ${CMAKE_CURRENT_LIST_DIR}/geothermometers_test.cpp)
list(APPEND WQSPEC_TEST_SOURCES ${CMAKE_CURRENT_LIST_DIR}/mineral_geothermometry_test.cpp)
