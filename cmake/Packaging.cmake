# Installing Trellmark: the program, its manual page, bash completion and
# documents, the Debian package that `make package` (cpack -G DEB) builds from
# them, and the tests that check both.

include(GNUInstallDirs)

# The manual page is written in scdoc and built with the program, so the page
# a package carries always comes from the source beside it.
find_program(TRELLMARK_SCDOC scdoc)
if(NOT TRELLMARK_SCDOC)
  # The program and its tests build without it; only the package needs the page.
  message(WARNING "scdoc not found: no manual page, no install rules and no package. "
                  "Install it with scripts/install-deps.sh (Debian package scdoc).")
  return()
endif()
set(trellmark_man_source ${PROJECT_SOURCE_DIR}/doc/trellmark.1.scd)
set(trellmark_man_page ${CMAKE_CURRENT_BINARY_DIR}/doc/trellmark.1)
add_custom_command(
  OUTPUT ${trellmark_man_page} ${trellmark_man_page}.gz
  COMMAND ${CMAKE_COMMAND} -DSCDOC=${TRELLMARK_SCDOC} -DSOURCE=${trellmark_man_source}
          -DPAGE=${trellmark_man_page} -DPROJECT_VERSION=${PROJECT_VERSION}
          -P ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
  DEPENDS ${trellmark_man_source} ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
  COMMENT "Building the manual page trellmark.1"
  VERBATIM)
add_custom_target(trellmark_man_page ALL DEPENDS ${trellmark_man_page}.gz)

# Directories must come out 0755 whatever the umask of the build, or dpkg
# would install unreadable ones.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
if(TARGET trellmark)
  install(TARGETS trellmark RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${trellmark_man_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/completion/trellmark.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME trellmark)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Debian looks for the licence of a package in doc/PACKAGE/copyright.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR}
        RENAME copyright)
# The report pages the program writes carry uPlot, whose licence goes with it.
install(FILES ${PROJECT_SOURCE_DIR}/third_party/uplot/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR}
        RENAME uplot-LICENSE)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME trellmark)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Trellmark developers")
set(TRELLMARK_MAINTAINER "The Trellmark developers <trellmark@example.org>"
    CACHE STRING "Maintainer of the Debian package: name <address>")
set(CPACK_PACKAGE_CONTACT ${TRELLMARK_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "tells whether two sets of recordings of one test signal differ")
set(CPACK_PACKAGE_DESCRIPTION
    "Trellmark reads a reference set and a comparison set of wave files, aligns
every file on its first impulse, scales it to the level of the first
reference file and tests every sample of an analysis window with a
two-sample t test at 95 or 99 per cent confidence. It reports how many
samples differ and by how much, and gives a verdict from a cluster
permutation test. It runs as an interactive dialogue in the terminal or as
a command for scripts, and writes a text report, the mean and difference
signals as wave files, JSON, CSV and a figure.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the program links decide the dependencies (libc6, libstdc++6,
# libncursesw6, libcairo2, ...), through dpkg-shlibdeps from dpkg-dev.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)

if(TARGET trellmark)
  add_test(NAME install.files_man_page_and_package
           COMMAND bash ${PROJECT_SOURCE_DIR}/tests/install/check_install.sh
                   ${CMAKE_BINARY_DIR} ${PROJECT_VERSION})
endif()
add_test(NAME install.bash_completion
         COMMAND bash ${PROJECT_SOURCE_DIR}/tests/install/check_completion.sh
                 ${PROJECT_SOURCE_DIR}/completion/trellmark.bash)
