list(APPEND WQSPEC_SOURCES
  src/report/listing.cpp
  src/report/debug_tables.cpp
  src/report/results.cpp
  src/report/saturation_report.cpp
)
