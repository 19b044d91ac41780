# vemora_man_page(TARGET SUMMARY [HELP_OPTION OPTION] [PORTS_AND_PRINTERS]): the manual page of a
# program, made at build time by help2man from the program's own --help and --version (with
# --help-all where the program has one) and TARGET.h2m beside its sources, with the environment and
# files of port locks and parked printers (ports-and-printers.h2m) for a program that takes a port;
# installed in section 1, compressed. help2man takes every heading of the help but "Examples:" for
# a part of OPTIONS: the commands and the exit status are made sections of their own.
find_program(HELP2MAN help2man REQUIRED)
find_program(GZIP gzip REQUIRED)

function(vemora_man_page target summary)
  cmake_parse_arguments(ARG "PORTS_AND_PRINTERS" "HELP_OPTION" "" ${ARGN})
  if(NOT ARG_HELP_OPTION)
    set(ARG_HELP_OPTION --help)
  endif()
  set(includes ${CMAKE_CURRENT_SOURCE_DIR}/${target}.h2m)
  if(ARG_PORTS_AND_PRINTERS)
    list(APPEND includes ${PROJECT_SOURCE_DIR}/packaging/ports-and-printers.h2m)
  endif()
  list(TRANSFORM includes PREPEND --include= OUTPUT_VARIABLE include_options)
  set(page ${CMAKE_CURRENT_BINARY_DIR}/${target}.1)
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
            ${HELP2MAN} --no-info --no-discard-stderr --help-option=${ARG_HELP_OPTION}
            --name=${summary} ${include_options} --output=${page} $<TARGET_FILE:${target}>
    COMMAND sed -i -e "s/^\\.SS \"Commands:\"$/.SH COMMANDS/"
            -e "s/^\\.SS \"Exit status:\"$/.SH \"EXIT STATUS\"/" ${page}
    COMMAND ${GZIP} -9nf ${page}
    DEPENDS ${target} ${includes}
    COMMENT "Writing the manual page of ${target}"
    VERBATIM)
  add_custom_target(${target}-man ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
