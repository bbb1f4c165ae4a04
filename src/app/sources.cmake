list(APPEND WQSPEC_SOURCES
  src/app/driver.cpp
  src/app/run_sequence.cpp
  src/app/dialogue.cpp
  src/app/quiet_program.cpp
  src/app/batch.cpp
  src/app/sweep.cpp
)
