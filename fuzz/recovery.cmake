# SPDX-License-Identifier: GPL-3.0-or-later
tessaly_add_fuzzer(fuzz_recovery SOURCE ${CMAKE_CURRENT_LIST_DIR}/fuzz_recovery.cpp LIBS tessaly_recovery)
tessaly_add_fuzzer(fuzz_settings SOURCE ${CMAKE_CURRENT_LIST_DIR}/fuzz_settings.cpp LIBS tessaly_settings)
tessaly_add_fuzzer(fuzz_list_recovery SOURCE ${CMAKE_CURRENT_LIST_DIR}/fuzz_list_recovery.cpp LIBS tessaly_recovery)
