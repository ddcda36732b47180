# Installs the public headers, the libraries, a CMake package (find_package(qms6093 CONFIG))
# and pkg-config files.
include(CMakePackageConfigHelpers)

install(DIRECTORY include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")

set(QMS_INSTALLED_TARGETS)
foreach(t qmsplatform qmssim qms6093s qms6093)
  if(TARGET ${t})
    list(APPEND QMS_INSTALLED_TARGETS ${t})
  endif()
endforeach()
install(TARGETS ${QMS_INSTALLED_TARGETS} EXPORT qms6093Targets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# The window system's Qt backend: loaded by the platform from its own folder, never linked.
if(TARGET qmsui_qt)
  install(TARGETS qmsui_qt LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()
install(EXPORT qms6093Targets NAMESPACE qms6093::
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/qms6093)
configure_package_config_file(cmake/qms6093Config.cmake.in
  ${PROJECT_BINARY_DIR}/qms6093Config.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/qms6093)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/qms6093ConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/qms6093Config.cmake ${PROJECT_BINARY_DIR}/qms6093ConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/qms6093)

# pkg-config: one file per library, named as the library. The prefix is found from the file's
# own place (${pcfiledir}), so the files stay right after `cmake --install --prefix DIR`.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  message(FATAL_ERROR "pkg-config files need a relative CMAKE_INSTALL_LIBDIR")
endif()
set(QMS_PC_TO_PREFIX "..")
string(REPLACE "/" ";" _qms_libdir_parts "${CMAKE_INSTALL_LIBDIR}")
foreach(_part ${_qms_libdir_parts})
  string(APPEND QMS_PC_TO_PREFIX "/..")
endforeach()
foreach(t ${QMS_INSTALLED_TARGETS})
  get_target_property(QMS_PC_REQUIRES ${t} QMS_PC_REQUIRES)
  if(NOT QMS_PC_REQUIRES)
    set(QMS_PC_REQUIRES "")
  endif()
  set(QMS_PC_NAME ${t})
  configure_file(cmake/qms.pc.in ${PROJECT_BINARY_DIR}/pkgconfig/${t}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/pkgconfig/${t}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()
