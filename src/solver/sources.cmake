list(APPEND WQSPEC_SOURCES
  src/solver/mass_action.cpp
  src/solver/totals.cpp
  src/solver/setup.cpp
  src/solver/charge_balance.cpp
  src/solver/row_kind.cpp
  src/solver/newton.cpp
  src/solver/snapshot.cpp
  src/solver/warm_start.cpp
  src/solver/joint_system.cpp
  src/solver/joint_newton.cpp
  src/solver/joint_solve.cpp
  src/solver/solve.cpp
  src/solver/redox_run.cpp
)
