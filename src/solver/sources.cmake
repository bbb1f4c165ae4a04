list(APPEND WQSPEC_SOURCES src/solver/mass_action.cpp src/solver/setup.cpp src/solver/newton.cpp
     src/solver/snapshot.cpp src/solver/joint_solve.cpp src/solver/solve.cpp)
