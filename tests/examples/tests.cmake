list(APPEND WQSPEC_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/examples_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/docs_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sweep_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/brine_examples_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reconstruction_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/redox_examples_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/continuity_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/react_examples_test.cpp
)
