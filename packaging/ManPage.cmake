# vemora_man_page(TARGET SUMMARY): the manual page of a program, made at build time by help2man from
# the program's own --help and --version (with --help-all where the program has one) and
# TARGET.h2m beside its sources; installed in section 1, compressed.
find_program(HELP2MAN help2man REQUIRED)
find_program(GZIP gzip REQUIRED)

function(vemora_man_page target summary)
  cmake_parse_arguments(ARG "" "HELP_OPTION" "" ${ARGN})
  if(NOT ARG_HELP_OPTION)
    set(ARG_HELP_OPTION --help)
  endif()
  set(include ${CMAKE_CURRENT_SOURCE_DIR}/${target}.h2m)
  set(page ${CMAKE_CURRENT_BINARY_DIR}/${target}.1)
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
            ${HELP2MAN} --no-info --no-discard-stderr --help-option=${ARG_HELP_OPTION}
            --name=${summary} --include=${include} --output=${page} $<TARGET_FILE:${target}>
    COMMAND ${GZIP} -9nf ${page}
    DEPENDS ${target} ${include}
    COMMENT "Writing the manual page of ${target}"
    VERBATIM)
  add_custom_target(${target}-man ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
