list(APPEND WQSPEC_SOURCES
  src/activity/neutral.cpp
  src/activity/constraints.cpp
  src/activity/activity_model.cpp
  src/activity/bdot.cpp
  src/activity/pitzer_mixing.cpp
  src/activity/pitzer.cpp
  src/activity/pitzer_scale.cpp
  src/activity/pitzer_activity.cpp
)
