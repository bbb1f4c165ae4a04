list(APPEND WQSPEC_SOURCES
  src/report/listing.cpp
  src/report/saturation_report.cpp
  src/report/debug_tables.cpp
  src/report/solver_listing.cpp
  src/report/records.cpp
  src/report/column_selection.cpp
  src/report/record_fields.cpp
  src/report/csv_records.cpp
  src/report/json_records.cpp
  src/report/sweep_table.cpp
  src/report/evaporation_table.cpp
  src/report/reaction_table.cpp
  src/report/value_table.cpp
)
