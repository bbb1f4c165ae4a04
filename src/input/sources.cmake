list(APPEND WQSPEC_SOURCES
  src/input/run_input.cpp
  src/input/logk_table.cpp
  src/input/parsed_database.cpp
  src/input/database_file.cpp
  src/input/database.cpp
  src/input/minerals.cpp
)
