# SPDX-License-Identifier: GPL-3.0-or-later
tessaly_add_fuzzer(fuzz_ram SOURCE ${CMAKE_CURRENT_LIST_DIR}/fuzz_ram.cpp LIBS tessaly_ramfile)
