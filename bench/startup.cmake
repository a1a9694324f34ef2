# SPDX-License-Identifier: GPL-3.0-or-later
if(TARGET tessaly_program)
  add_executable(tessaly-startup ${CMAKE_CURRENT_LIST_DIR}/startup/StartupBench.cpp)
  target_link_libraries(tessaly-startup PRIVATE tessaly_program tessaly_warnings)
  # Beside the program, so that it finds the same program folder and data.
  set_target_properties(tessaly-startup PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/src)
endif()
