# SPDX-License-Identifier: GPL-3.0-or-later
if(TARGET tessaly_program)
  add_executable(tessaly-practice ${CMAKE_CURRENT_LIST_DIR}/practice/PracticeBench.cpp)
  target_link_libraries(tessaly-practice PRIVATE tessaly_program tessaly_warnings)
  set_target_properties(tessaly-practice PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/src)
endif()
