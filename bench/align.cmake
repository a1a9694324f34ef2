# SPDX-License-Identifier: GPL-3.0-or-later
# tessaly-align-bench: the transcript aligner's accuracy on lessons it makes (Festival English,
# libespeak-ng Mandarin in other voices, with pauses, music, noise, MP3), its time and memory
# on a 20-minute lesson, and the sample lessons.
add_executable(tessaly-align-bench ${CMAKE_CURRENT_LIST_DIR}/align/AlignBench.cpp)
target_link_libraries(tessaly-align-bench PRIVATE tessaly_align_engine tessaly_audio tessaly_sentences tessaly_text
                                                  tessaly_warnings)
target_compile_definitions(tessaly-align-bench PRIVATE TESSALY_ALIGN_TOOL="$<TARGET_FILE:tessaly-align>"
                                                       TESSALY_SAMPLES="${PROJECT_SOURCE_DIR}/data/voice")
add_dependencies(tessaly-align-bench tessaly-align)
