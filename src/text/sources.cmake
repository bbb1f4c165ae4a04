list(APPEND WQSPEC_SOURCES
  src/text/stop.cpp
  src/text/table.cpp
  src/text/layout.cpp
  src/text/fields.cpp
  src/text/textfile.cpp
  src/text/number_scan.cpp
  src/text/table_value.cpp
  src/text/channels.cpp
  src/text/failure.cpp
  src/text/number_text.cpp
  src/text/csv.cpp
  src/text/staged_file.cpp
)
