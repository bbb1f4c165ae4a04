list(APPEND WQSPEC_SOURCES
  src/input/run_input.cpp
  src/input/logk_table.cpp
  src/input/logk_cache.cpp
  src/input/parsed_database.cpp
  src/input/database_file.cpp
  src/input/database.cpp
  src/input/minerals.cpp
  src/input/component_catalog.cpp
  src/input/table_units.cpp
  src/input/component_aliases.cpp
  src/input/water_columns.cpp
  src/input/waters.cpp
  src/input/case_writer.cpp
  src/input/pitzer_parameters.cpp
  src/input/redox_options.cpp
  src/input/redox_couples.cpp
)
