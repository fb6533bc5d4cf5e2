include(CMakePackageConfigHelpers)

install(TARGETS zelcore zelnum zelmol EXPORT zelTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zel)

install(EXPORT zelTargets NAMESPACE zel::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/zel)

configure_package_config_file(
  ${CMAKE_CURRENT_SOURCE_DIR}/cmake/zelConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/zelConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/zel)
write_basic_package_version_file(
  ${CMAKE_CURRENT_BINARY_DIR}/zelConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/zelConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/zelConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/zel)

# The .pc file finds the prefix relative to itself, so an installed tree can move.
file(RELATIVE_PATH ZEL_PC_TO_PREFIX "/root/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/root")
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/cmake/zel.pc.in
  ${CMAKE_CURRENT_BINARY_DIR}/zel.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/zel.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
