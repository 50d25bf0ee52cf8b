# Installation: libtarnek with the host libraries it needs at run time, the public headers, a
# CMake package (find_package(Tarnek) gives Tarnek::tarnek) and a pkg-config file.
#
# Everything is relative to the prefix chosen at install time (`cmake --install build --prefix
# P`), so one build tree installs anywhere: the run path of the installed libraries is
# $ORIGIN, the targets file computes its own prefix, and tarnek.pc finds the prefix from its
# own location.
include(CMakePackageConfigHelpers)

set(TARNEK_INSTALL_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/Tarnek")
set(TARNEK_INSTALL_PKGCONFIGDIR "${CMAKE_INSTALL_LIBDIR}/pkgconfig")

# The libraries are installed side by side in one directory, so "$ORIGIN" finds the host
# libraries from libtarnek whatever that directory's depth (lib, lib64, lib/<multiarch>).
set_target_properties(tarnek hostaudit norlibs torkuser PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS tarnek
  EXPORT TarnekTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/tarnek
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.h")

# libtarnek links the host libraries privately, yet an exported shared library still names the
# shared libraries it depends on (for the consumer's link-time search path), so host/ installs
# them into the same export set, TarnekTargets. Consumers never need to find them separately.
install(EXPORT TarnekTargets
  NAMESPACE Tarnek::
  FILE TarnekTargets.cmake
  DESTINATION ${TARNEK_INSTALL_CMAKEDIR})

configure_package_config_file(
  ${CMAKE_CURRENT_LIST_DIR}/TarnekConfig.cmake.in
  ${PROJECT_BINARY_DIR}/TarnekConfig.cmake
  INSTALL_DESTINATION ${TARNEK_INSTALL_CMAKEDIR})
# The interface is only extended within a major version.
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/TarnekConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/TarnekConfig.cmake
  ${PROJECT_BINARY_DIR}/TarnekConfigVersion.cmake
  DESTINATION ${TARNEK_INSTALL_CMAKEDIR})

# pkg-config: a relative directory becomes ${pcfiledir}-based so that the file stays right
# wherever the prefix ends up; an absolute one is written as given.
function(_tarnek_pc_path out dir)
  if(IS_ABSOLUTE "${dir}")
    set(${out} "${dir}" PARENT_SCOPE)
  else()
    set(${out} "\${prefix}/${dir}" PARENT_SCOPE)
  endif()
endfunction()
if(IS_ABSOLUTE "${TARNEK_INSTALL_PKGCONFIGDIR}")
  set(TARNEK_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH _tarnek_pc_up "/${TARNEK_INSTALL_PKGCONFIGDIR}" "/")
  string(REGEX REPLACE "/$" "" _tarnek_pc_up "${_tarnek_pc_up}")
  set(TARNEK_PC_PREFIX "\${pcfiledir}/${_tarnek_pc_up}")
endif()
_tarnek_pc_path(TARNEK_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
_tarnek_pc_path(TARNEK_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/tarnek.pc.in ${PROJECT_BINARY_DIR}/tarnek.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tarnek.pc DESTINATION ${TARNEK_INSTALL_PKGCONFIGDIR})

# The command line's companions: its manual pages, the bash completion (where the bash-completion
# package looks it up when qorcli is first completed), and the plug-in author's documentation
# with the example plug-ins it refers to.
install(FILES
  ${PROJECT_SOURCE_DIR}/docs/man/qorcli.1
  ${PROJECT_SOURCE_DIR}/docs/man/qorcli-check.1
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/completion/qorcli.bash
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions
  RENAME qorcli)
set(TARNEK_INSTALL_DOCDIR "${CMAKE_INSTALL_DATAROOTDIR}/doc/tarnek")
install(FILES
  ${PROJECT_SOURCE_DIR}/docs/plugin-guide.md
  ${PROJECT_SOURCE_DIR}/docs/formatters.md
  DESTINATION ${TARNEK_INSTALL_DOCDIR})
install(DIRECTORY
  ${PROJECT_SOURCE_DIR}/examples/xml
  ${PROJECT_SOURCE_DIR}/examples/native
  DESTINATION ${TARNEK_INSTALL_DOCDIR}/examples)
install(FILES ${PROJECT_SOURCE_DIR}/docs/examples/files.xml
  DESTINATION ${TARNEK_INSTALL_DOCDIR}/examples)

# qorcli always reads plug-ins from two fixed system directories and reports each one that is
# missing on every run, so an install into /usr (the Debian package) creates them. An install
# into any other prefix leaves the system directories alone.
install(CODE [[
  if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    file(MAKE_DIRECTORY "$ENV{DESTDIR}/usr/lib/norvane/qorcli/ext")
  endif()
]])

# Debian package: `cpack -G DEB` in the build tree.
set(CPACK_PACKAGE_NAME tarnek)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "qorcli management command line and its engine libtarnek")
set(CPACK_PACKAGE_DESCRIPTION
  "qorcli runs commands supplied by plug-ins (shared libraries and XML descriptors), checks their parameters against typed declarations and renders their results as tables, text, JSON, Python or XML. This package holds qorcli, the descriptor checker qorcli-check, the shared library libtarnek with its headers and CMake and pkg-config files, the manual pages, bash completion, and the plug-in directories.")
set(CPACK_PACKAGE_CONTACT "tarnek maintainers <tarnek@localhost>")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
# Run-time dependencies (Boost.Regex, libxml2, the C++ runtime) are read off the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
include(CPack)
