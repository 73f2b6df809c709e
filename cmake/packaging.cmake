# Installation and the Debian package.
#   cmake --install BUILD --prefix PREFIX   bin/vornix, share/man/man1/vornix.1
#                                           and share/doc/vornix/LICENSE
#   cpack --config BUILD/CPackConfig.cmake  vornix_VERSION_ARCH.deb
# The package holds vornix, its manual page compressed, and the copyright
# and changelog files that a Debian package carries in share/doc/vornix.
include(GNUInstallDirs)

install(TARGETS vornix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        COMPONENT vornix)
install(FILES ${PROJECT_BINARY_DIR}/doc/vornix.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT documentation)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT documentation)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vornix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT
    "vornix maintainers <maintainers@users.noreply.c-seed-74242bca.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "draws mathematical expressions as ASCII art")
# The summary is the first line of the package's description; this is the
# rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "vornix reads expressions written in a linear notation, such as x^2/2,
sqrt(1/2) or sum(k^2, k = 1 .. n), one per line, and prints each as a
drawing of ASCII characters over several rows: stacked fractions, drawn
radicals, raised exponents, big sum, product and integral signs with
their bounds, limits and bracketed matrices.")
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The package is built from this tree, with no packaging kept apart from
# it: a native package, whose version is the project's with no Debian
# revision and whose changelog is share/doc/vornix/changelog.gz.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The modes Debian asks for in the control archive, and a binary without
# its symbol tables.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)

# The files of share/doc/vornix and the manual page as Debian has them:
# the license in the machine-readable copyright format, everything else
# compressed with gzip -9n (no name and no time stamp in the archive, so
# the same input gives the same bytes).
set(debian_files ${PROJECT_BINARY_DIR}/debian)
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license_text)
# The license as the copyright file's paragraph: each line indented by one
# blank, an empty line written " ." (two passes for empty lines in a row).
string(STRIP "${license_text}" LICENSE_PARAGRAPH)
string(REPLACE "\n" "\n " LICENSE_PARAGRAPH " ${LICENSE_PARAGRAPH}")
string(REPLACE "\n \n" "\n .\n" LICENSE_PARAGRAPH "${LICENSE_PARAGRAPH}")
string(REPLACE "\n \n" "\n .\n" LICENSE_PARAGRAPH "${LICENSE_PARAGRAPH}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/copyright.in
               ${debian_files}/copyright @ONLY)
# The entry is dated by the day the build is configured, so that
# configuring again that day leaves the package's files as they are;
# SOURCE_DATE_EPOCH, when set, fixes the date.
string(TIMESTAMP changelog_date "%a, %d %b %Y 00:00:00 +0000" UTC)
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in
               ${debian_files}/changelog @ONLY)
find_program(GZIP_EXECUTABLE gzip REQUIRED)
add_custom_command(
  OUTPUT ${debian_files}/vornix.1.gz ${debian_files}/changelog.gz
  COMMAND ${GZIP_EXECUTABLE} -9n -c ${PROJECT_BINARY_DIR}/doc/vornix.1
          > ${debian_files}/vornix.1.gz
  COMMAND ${GZIP_EXECUTABLE} -9n -c ${debian_files}/changelog
          > ${debian_files}/changelog.gz
  DEPENDS ${PROJECT_BINARY_DIR}/doc/vornix.1 ${debian_files}/changelog
  COMMENT "Compressing the manual page and the changelog for the package")
add_custom_target(debian_files ALL
                  DEPENDS ${debian_files}/vornix.1.gz ${debian_files}/changelog.gz)
# Only the package installs these: cmake --install leaves them out.
install(FILES ${debian_files}/vornix.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES ${debian_files}/copyright ${debian_files}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT debian EXCLUDE_FROM_ALL)

# One package of the two components: vornix, and the files that a Debian
# package adds to it.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL vornix debian)

# The runtime dependencies are read off the binary, save the readline
# library, which vornix loads when its prompt starts and so is named here;
# without dpkg-shlibdeps the C library is named too.
string(REGEX REPLACE "^lib(.*)\\.so\\.([0-9]+)$" "lib\\1\\2" readline_package ${READLINE_SONAME})
if(readline_package STREQUAL READLINE_SONAME)
  set(readline_package libreadline8)
endif()
find_program(DPKG_SHLIBDEPS_EXECUTABLE dpkg-shlibdeps)
if(DPKG_SHLIBDEPS_EXECUTABLE)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS ${readline_package})
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, ${readline_package}")
endif()

include(CPack)
