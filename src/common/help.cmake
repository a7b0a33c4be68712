# The help window and its topics, compiled into the program as resources.
include_guard(GLOBAL)
target_sources(kvilmar_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Help.cpp ${CMAKE_CURRENT_LIST_DIR}/Help.h
  ${CMAKE_CURRENT_LIST_DIR}/HelpWindow.cpp ${CMAKE_CURRENT_LIST_DIR}/HelpWindow.h
  ${CMAKE_CURRENT_LIST_DIR}/help/help.qrc)
