# SPDX-License-Identifier: GPL-3.0-or-later
tessaly_add_fuzzer(fuzz_sentences SOURCE ${CMAKE_CURRENT_LIST_DIR}/fuzz_sentences.cpp LIBS tessaly_sentences)
