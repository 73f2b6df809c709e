# Installation and the Debian package.
#   cmake --install BUILD --prefix PREFIX   bin/vornix and share/man/man1/vornix.1
#   cpack --config BUILD/CPackConfig.cmake  vornix_0.3_ARCH.deb
include(GNUInstallDirs)

install(TARGETS vornix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        COMPONENT vornix)
install(FILES ${PROJECT_BINARY_DIR}/doc/vornix.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT vornix)

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
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Only vornix's own files go into the package, whatever else the build
# installs.
set(CPACK_COMPONENTS_ALL vornix)

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
