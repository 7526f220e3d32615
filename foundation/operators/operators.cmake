# The memory tracker's global allocation operators. A program that wants every block tracked (and
# memory.log / memleaks.log in $XDG_STATE_HOME/ruzi-zevivuvo/) links this target on purpose; the sanitizers
# bring their own operators, so under them the target does not exist.
if(NOT RUZI_SANITIZE)
  add_library(tracked_operators OBJECT ${CMAKE_CURRENT_LIST_DIR}/TrackedOperators.cpp)
  target_link_libraries(tracked_operators PUBLIC foundation)
endif()
