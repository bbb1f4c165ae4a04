list(APPEND WQSPEC_SOURCES
  src/input/run_input.cpp
  src/input/logk_table.cpp
  src/input/database.cpp
  src/input/minerals.cpp
)
