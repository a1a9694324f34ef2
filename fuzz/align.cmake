# SPDX-License-Identifier: GPL-3.0-or-later
tessaly_add_fuzzer(fuzz_unit_cache SOURCE ${CMAKE_CURRENT_LIST_DIR}/fuzz_unit_cache.cpp LIBS tessaly_align)
