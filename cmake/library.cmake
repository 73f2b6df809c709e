# Installation of libvornix: the shared and the static library, the public
# headers, a pkg-config file and a CMake package.
#   pkg-config --cflags --libs vornix
#   find_package(vornix) and target_link_libraries(app vornix::vornix)
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set_target_properties(vornix_shared PROPERTIES EXPORT_NAME vornix)
set_target_properties(vornix_static PROPERTIES EXPORT_NAME vornix_static)
install(TARGETS vornix_shared vornix_static EXPORT vornixTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library
        PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT library)

set(config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/vornix)
install(EXPORT vornixTargets NAMESPACE vornix:: DESTINATION ${config_dir}
        COMPONENT library)
file(WRITE ${PROJECT_BINARY_DIR}/vornixConfig.cmake.in [=[
@PACKAGE_INIT@
include(CMakeFindDependencyMacro)
find_dependency(Threads)
include("${CMAKE_CURRENT_LIST_DIR}/vornixTargets.cmake")
]=])
configure_package_config_file(${PROJECT_BINARY_DIR}/vornixConfig.cmake.in
  ${PROJECT_BINARY_DIR}/vornixConfig.cmake INSTALL_DESTINATION ${config_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/vornixConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/vornixConfig.cmake
              ${PROJECT_BINARY_DIR}/vornixConfigVersion.cmake
        DESTINATION ${config_dir} COMPONENT library)

# The pkg-config file finds its prefix from its own place, so that an
# installation can be moved.
file(WRITE ${PROJECT_BINARY_DIR}/vornix.pc
"prefix=\${pcfiledir}/../..
libdir=\${prefix}/${CMAKE_INSTALL_LIBDIR}
includedir=\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}

Name: vornix
Description: Draws mathematical expressions as drawings of characters
Version: ${PROJECT_VERSION}
Libs: -L\${libdir} -lvornix
Libs.private: -lstdc++ -lm -lpthread
Cflags: -I\${includedir}
")
install(FILES ${PROJECT_BINARY_DIR}/vornix.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT library)
