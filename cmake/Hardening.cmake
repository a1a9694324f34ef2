# SPDX-License-Identifier: GPL-3.0-or-later
# Debian's hardening flags (as dpkg-buildflags gives them, with bindnow): a stack protector,
# fortified string and memory calls, format checks, position-independent executables, and
# relocations read-only after a full bind at start. Not with the sanitizers or the fuzzers,
# which bring their own instrumentation.
option(TESSALY_HARDEN "Build with Debian's hardening flags" ON)
if(TESSALY_HARDEN AND NOT TESSALY_ASAN AND NOT TESSALY_TSAN AND NOT TESSALY_FUZZ)
  include(CheckPIESupported)
  check_pie_supported()
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security -fstack-clash-protection)
  # Fortified calls need the optimiser: not in a Debug build.
  add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
  add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
