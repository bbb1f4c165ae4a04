list(APPEND WQSPEC_SOURCES
  src/run/table.cpp
  src/run/layout.cpp
  src/run/fields.cpp
  src/run/textfile.cpp
  src/run/channels.cpp
)
list(APPEND WQSPEC_SOURCES src/run/driver.cpp)
