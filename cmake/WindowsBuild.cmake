# The Windows programs (cmake/mingw-w64-x86_64.cmake): static, so that they need no DLL beside
# them, with tests that run under wine.
option(BUILD_TESTING "Build the tests" ON)
add_link_options(-static)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX)

# The tests run in a wine prefix of this tree's own, which scripts/test --windows makes; its
# spooler keeps its own printers, with the machine's CUPS out of reach.
set(VEMORA_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine CACHE PATH "The wine prefix the tests run in")
set(VEMORA_WINE_ENV WINEPREFIX=${VEMORA_WINE_PREFIX} WINEDEBUG=-all
    WINEDLLOVERRIDES=mscoree,mshtml= CUPS_SERVER=${VEMORA_WINE_PREFIX}/no-cups.sock)
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR env ${VEMORA_WINE_ENV} /usr/lib/wine/wine64)
endif()

# CLI11 and nlohmann-json are header-only: the build machine's serve, from a folder that holds
# them alone (its /usr/include would bring Linux's C headers along).
find_package(CLI11 REQUIRED)
find_package(nlohmann_json 3 REQUIRED)
set(host_headers ${CMAKE_BINARY_DIR}/host-headers)
foreach(target CLI11::CLI11 nlohmann_json::nlohmann_json)
  get_target_property(folders ${target} INTERFACE_INCLUDE_DIRECTORIES)
  list(GET folders 0 folder)
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${host_headers})
endforeach()
file(MAKE_DIRECTORY ${host_headers})
foreach(headers CLI nlohmann)
  file(CREATE_LINK ${folder}/${headers} ${host_headers}/${headers} SYMBOLIC)
endforeach()

foreach(layer IN LISTS VEMORA_LAYERS ITEMS wingui)
  add_subdirectory(${layer})
endforeach()
if(BUILD_TESTING)
  add_subdirectory(tests)
endif()
include(packaging/WindowsPackage.cmake)
