list(APPEND WQSPEC_SOURCES
  src/app/driver.cpp
  src/app/run_sequence.cpp
  src/app/dialogue.cpp
  src/app/front_end.cpp
  src/app/batch.cpp
  src/app/batch_run.cpp
  src/app/water_feed.cpp
  src/app/table_of_waters.cpp
  src/app/batch_output.cpp
  src/app/batch_options.cpp
  src/app/sweep.cpp
  src/app/sweep_minerals.cpp
  src/app/run_choices.cpp
  src/app/evaporate.cpp
  src/app/sweep_reconstruction.cpp
  src/app/sweep_discharge.cpp
)
