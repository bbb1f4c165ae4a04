list(APPEND WQSPEC_SOURCES src/equilibria/eos.cpp src/equilibria/redox.cpp)
list(APPEND WQSPEC_SOURCES src/equilibria/saturation.cpp)
list(APPEND WQSPEC_SOURCES src/equilibria/forced_saturation.cpp)
list(APPEND WQSPEC_SOURCES src/equilibria/geothermometers.cpp)
