# SPDX-License-Identifier: GPL-3.0-or-later
tessaly_add_fuzzer(fuzz_check SOURCE ${CMAKE_CURRENT_LIST_DIR}/fuzz_check.cpp LIBS tessaly_check)
