# SPDX-License-Identifier: GPL-3.0-or-later
# tessaly-cpu: the program's CPU share while playing, beside mpv's on the same file.
if(TARGET tessaly)
  add_executable(tessaly-cpu ${CMAKE_CURRENT_LIST_DIR}/cpu/CpuBench.cpp)
  target_link_libraries(tessaly-cpu PRIVATE tessaly_warnings)
  # Beside the program it starts.
  set_target_properties(tessaly-cpu PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/src)
endif()
