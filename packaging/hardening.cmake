# The compile and link hardening that Debian's build flags give its own
# packages (dpkg-buildflags): a stack protector, glibc's checked string and
# memory calls, and relocations made read-only and bound before main() runs.
# On for every build, so that what is tested is what is packaged; warnings
# stay warnings (no -Werror=format-security here).
option(ZENTARI_HARDENING "Build with Debian's hardening flags" ON)
if(ZENTARI_HARDENING AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_compile_options(-fstack-protector-strong -Wformat)
  # glibc's checks need the optimiser: a Debug build would only be warned.
  # Flags given from outside (dpkg-buildflags' own) win.
  if(NOT CMAKE_CXX_FLAGS MATCHES "_FORTIFY_SOURCE")
    add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
  endif()
  add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()
