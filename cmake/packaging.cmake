# Installation and the Debian package.
#   cmake --install build --prefix /usr/local      (or DESTDIR=... cmake --install build)
#   bash tools/package.sh                          dist/tourwright_<version>_<arch>.deb
# The man page, the Debian changelog and the copyright file are installed
# compressed where Debian wants them compressed.
include(GNUInstallDirs)

set(TOURWRIGHT_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tourwright)
install(TARGETS tourwright RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES README.md docs/robustness.md docs/warnings.md DESTINATION ${TOURWRIGHT_DOC_DIR})
install(DIRECTORY examples/palace DESTINATION ${TOURWRIGHT_DOC_DIR}/examples
        PATTERN "palace.xml" EXCLUDE PATTERN "palace.htm" EXCLUDE)
# The tour the example's out link opens.
install(DIRECTORY examples/west DESTINATION ${TOURWRIGHT_DOC_DIR}/examples)
# The licences of the program and of every third-party part inside it:
# debian/copyright in the machine-readable format, and each part's full
# text under licences/ (gathered on every build, so a part added to
# third_party/ is picked up without a new configure).
if(NOT WIN32)
  add_custom_target(tourwright_licences ALL
    COMMAND bash ${PROJECT_SOURCE_DIR}/tools/gather-licences.sh ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}
    VERBATIM)
  install(FILES ${PROJECT_BINARY_DIR}/copyright DESTINATION ${TOURWRIGHT_DOC_DIR})
  install(DIRECTORY ${PROJECT_BINARY_DIR}/licences DESTINATION ${TOURWRIGHT_DOC_DIR} OPTIONAL)
endif()
# The example script is Korean code page text on purpose: it shows the
# encoding the program reads.
install(FILES cmake/debian/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME tourwright)

# The Debian changelog names the version of project().
configure_file(cmake/debian/changelog.in ${PROJECT_BINARY_DIR}/changelog @ONLY)
# gzip -n: no name or time stamp, so the package is the same on every build.
set(tourwright_gzipped)
foreach(pair "docs/tourwright.1|tourwright.1.gz" "${PROJECT_BINARY_DIR}/changelog|changelog.gz")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 source)
  get_filename_component(source ${source} ABSOLUTE BASE_DIR ${PROJECT_SOURCE_DIR})
  list(GET pair 1 target)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/${target}
    COMMAND gzip -9nc ${source} > ${PROJECT_BINARY_DIR}/${target}
    DEPENDS ${source} VERBATIM)
  list(APPEND tourwright_gzipped ${PROJECT_BINARY_DIR}/${target})
endforeach()
if(NOT WIN32)
  add_custom_target(tourwright_docs ALL DEPENDS ${tourwright_gzipped})
  install(FILES ${PROJECT_BINARY_DIR}/tourwright.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PROJECT_BINARY_DIR}/changelog.gz DESTINATION ${TOURWRIGHT_DOC_DIR})
endif()

if(TOURWRIGHT_TESTS AND NOT CMAKE_CROSSCOMPILING)
  # The man page stays clean under mandoc's lint and names every option
  # that --help names.
  add_test(NAME man_page COMMAND bash ${PROJECT_SOURCE_DIR}/tools/check-man-page.sh
           $<TARGET_FILE:tourwright> ${PROJECT_SOURCE_DIR}/docs/tourwright.1)
  set_tests_properties(man_page PROPERTIES SKIP_RETURN_CODE 77)
  # The set-up scripts against stand-in package tools, and the gathering
  # of the licences on scratch trees.
  add_test(NAME setup COMMAND bash ${PROJECT_SOURCE_DIR}/tools/test-setup.sh)
  add_test(NAME licences COMMAND bash ${PROJECT_SOURCE_DIR}/tools/test-licences.sh)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_NAME tourwright)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Tourwright maintainers <maintainers@users.noreply.c-seed-85a614da.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "converts virtual tour scene scripts into krpano tour XML")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Tourwright reads a plain-text scene script (Korean code page, UTF-8 or"
  "UTF-16) that lists the panorama scenes of a virtual tour and the hotspots,"
  "images, videos, galleries and cross links of each, and writes a tour XML"
  "for the krpano panorama viewer (UTF-8) and an HTML page that embeds the"
  "viewer. It can also check a script and draw its links as a Graphviz graph.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
