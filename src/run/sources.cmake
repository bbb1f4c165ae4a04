list(APPEND WQSPEC_SOURCES
  src/run/results.cpp
  src/run/water_quality.cpp
  src/run/judgement.cpp
  src/run/compute_run.cpp
  src/run/next_run.cpp
  src/run/sweep_chain.cpp
  src/run/mineral_amounts.cpp
  src/run/evaporation_path.cpp
  src/run/evaporation_sequence.cpp
  src/run/boiling.cpp
  src/run/reaction_names.cpp
  src/run/reaction_path.cpp
  src/run/reaction_water_steps.cpp
)
