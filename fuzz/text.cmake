# SPDX-License-Identifier: GPL-3.0-or-later
tessaly_add_fuzzer(fuzz_text SOURCE ${CMAKE_CURRENT_LIST_DIR}/fuzz_text.cpp LIBS tessaly_text)
