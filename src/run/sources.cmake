list(APPEND WQSPEC_SOURCES
  src/run/table.cpp
  src/run/layout.cpp
  src/run/fields.cpp
  src/run/textfile.cpp
  src/run/channels.cpp
)
list(APPEND WQSPEC_SOURCES src/run/driver.cpp)
list(APPEND WQSPEC_SOURCES src/run/failure.cpp)
list(APPEND WQSPEC_SOURCES src/run/run_sequence.cpp)
list(APPEND WQSPEC_SOURCES src/run/dialogue.cpp)
