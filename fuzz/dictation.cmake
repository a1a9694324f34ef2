# SPDX-License-Identifier: GPL-3.0-or-later
tessaly_add_fuzzer(fuzz_appearance SOURCE ${CMAKE_CURRENT_LIST_DIR}/fuzz_appearance.cpp
                   LIBS tessaly_dictation)
