list(APPEND WQSPEC_SOURCES
  src/report/listing.cpp
  src/report/debug_tables.cpp
)
