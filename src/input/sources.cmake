list(APPEND WQSPEC_SOURCES
src/input/run_input.cpp



)
