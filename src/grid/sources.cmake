list(APPEND WQSPEC_SOURCES
  src/grid/grid.cpp
  src/grid/interpolate.cpp
)
