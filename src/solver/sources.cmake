list(APPEND WQSPEC_SOURCES src/solver/linear.cpp)
list(APPEND WQSPEC_SOURCES )
