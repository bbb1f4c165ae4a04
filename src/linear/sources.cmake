list(APPEND WQSPEC_SOURCES src/linear/linear.cpp)
