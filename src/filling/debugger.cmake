# The debugger window, which switches the diagnostic mode on.
include_guard(GLOBAL)
target_sources(kvilmar_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/UnitVelTest.cpp ${CMAKE_CURRENT_LIST_DIR}/UnitVelTest.h)
