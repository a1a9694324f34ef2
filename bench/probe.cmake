# SPDX-License-Identifier: GPL-3.0-or-later
# tessaly-probe: per-file figures of the audio engine, one JSON line per file.
add_executable(tessaly-probe ${CMAKE_CURRENT_LIST_DIR}/probe/main.cpp ${CMAKE_CURRENT_LIST_DIR}/probe/Stretching.cpp
                             ${CMAKE_CURRENT_LIST_DIR}/probe/Sentences.cpp ${CMAKE_CURRENT_LIST_DIR}/probe/Checking.cpp
                             ${CMAKE_CURRENT_LIST_DIR}/probe/Aligning.cpp
                             ${CMAKE_CURRENT_LIST_DIR}/probe/Pitching.cpp)
target_link_libraries(tessaly-probe PRIVATE tessaly_audio tessaly_sentences tessaly_sentences_engine tessaly_practice tessaly_pitch tessaly_text tessaly_warnings)
