list(APPEND WQSPEC_SOURCES src/activity/neutral.cpp)
list(APPEND WQSPEC_SOURCES src/activity/constraints.cpp)
list(APPEND WQSPEC_SOURCES src/activity/activity.cpp)
list(APPEND WQSPEC_SOURCES src/activity/pitzer.cpp)
