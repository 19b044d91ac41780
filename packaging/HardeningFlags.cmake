# -DVEMORA_HARDENING=ON (scripts/package): compile and link with Debian's hardening flags as
# dpkg-buildflags gives them: fortify, stack protector, format security, read-only relocations,
# and immediate binding (-z now); a position-independent executable is the compiler's default.
option(VEMORA_HARDENING "Build with dpkg-buildflags' hardening flags" OFF)
if(VEMORA_HARDENING)
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
              dpkg-buildflags --get ${kind}
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
      COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    if(kind STREQUAL LDFLAGS)
      add_link_options(${flags})
    else()
      add_compile_options(${flags})
    endif()
  endforeach()
endif()
