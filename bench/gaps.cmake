# SPDX-License-Identifier: GPL-3.0-or-later
# tessaly-gaps: holes of silence in the output of slowed and sped-up plays on a busy machine.
add_executable(tessaly-gaps ${CMAKE_CURRENT_LIST_DIR}/gaps/GapBench.cpp)
target_link_libraries(tessaly-gaps PRIVATE tessaly_audio tessaly_warnings)
set_target_properties(tessaly-gaps PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
