# SPDX-License-Identifier: GPL-3.0-or-later
tessaly_add_fuzzer(fuzz_playlist SOURCE ${CMAKE_CURRENT_LIST_DIR}/fuzz_playlist.cpp LIBS tessaly_playlist)
