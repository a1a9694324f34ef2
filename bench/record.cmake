# SPDX-License-Identifier: GPL-3.0-or-later
add_executable(tessaly-record ${CMAKE_CURRENT_LIST_DIR}/record/RecordBench.cpp)
target_link_libraries(tessaly-record PRIVATE tessaly_store tessaly_warnings)
set_target_properties(tessaly-record PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
