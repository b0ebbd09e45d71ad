# The Debian package, built by CPack in a build folder of the release:
#
#   cmake -S . -B build/pkg -DCMAKE_BUILD_TYPE=Release -DVN_BUILD_TESTS=OFF -DVN_BUILD_BENCH=OFF
#   cmake --build build/pkg -j2 && (cd build/pkg && cpack -G DEB)
#
# It holds the layout of cmake/Install.cmake under /usr, plus what Debian asks
# of every package (the changelog). Its run-time dependencies are read from the
# programs' shared libraries by dpkg-shlibdeps, so they name the Qt 6 run-time
# packages the window links (libqt6widgets6, libqt6svg6, ...), never a -dev
# one. Those carry the X11 platform plugin and the SVG icon engine as well.
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
  return()
endif()

# The programs are hardened as Debian hardens what it ships: a stack
# protector, checked C library calls, and a read-only table of the shared
# libraries' symbols once they are bound. None of it touches a floating-point
# operation. The checked calls need the optimiser, and the sanitizers bring
# checks of their own; the tests are not shipped and keep their plain calls.
if(NOT VN_SANITIZE)
  set(VN_SHIPPED_PROGRAMS vantry-null-cli)
  set(VN_SHIPPED_CODE vn_core vantry-null-cli)
  if(TARGET vantry-null)
    list(APPEND VN_SHIPPED_PROGRAMS vantry-null)
    list(APPEND VN_SHIPPED_CODE vn_ui vantry-null)
  endif()
  foreach(target IN LISTS VN_SHIPPED_CODE)
    target_compile_options(${target} PRIVATE -fstack-protector-strong
                           $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
  endforeach()
  foreach(target IN LISTS VN_SHIPPED_PROGRAMS)
    target_link_options(${target} PRIVATE -Wl,-z,relro -Wl,-z,now)
  endforeach()
endif()

set(CPACK_PACKAGE_NAME vantry-null)
set(CPACK_PACKAGE_VENDOR "The Vantry Null developers")
set(VN_PACKAGE_CONTACT "The Vantry Null developers <developers@vantrynull.org>"
    CACHE STRING "Maintainer of the Debian package: name <address>")
set(CPACK_PACKAGE_CONTACT "${VN_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "null test set-up of a concave telescope mirror")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(VN_DEBIAN_VERSION ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# xdg-utils answers "which program opens lens files" and opens them; the
# Wayland plugin lets the window run without X11 underneath.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Vantry Null sets up the Vantry null test of a concave telescope mirror (a
sphere, an ellipse, a paraboloid, a hyperboloid or an oblate spheroid) tested
at its centre of curvature with a point source and a single null lens. By
exact ray tracing it finds the source-to-lens and lens-to-mirror distances
that null the test, and reports them with the working diameter of the lens,
the residual aberration, a quarter-wave tolerance and the optical path
difference in waves.
.
It also gives the index of the lens glass from built-in glass catalogs at any
test wavelength, writes the set-up as OSLO lens files, explores how far the
lens-to-mirror spacing may be off, and checks the solved set-up exactly. The
package holds the window program, vantry-null, and the command line,
vantry-null-cli.")

# Debian's changelog, in the package only: the date is the day of the build,
# as Debian writes it (RFC 5322).
string(TIMESTAMP VN_DEBIAN_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${CMAKE_SOURCE_DIR}/data/linux/changelog.Debian.in
               ${CMAKE_BINARY_DIR}/debian/changelog.Debian @ONLY)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/debian/changelog.Debian.gz
  COMMAND ${VN_GZIP} -9 -n -f -k ${CMAKE_BINARY_DIR}/debian/changelog.Debian
  DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog.Debian
  VERBATIM)
add_custom_target(vn_debian_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog.Debian.gz)
install(FILES ${CMAKE_BINARY_DIR}/debian/changelog.Debian.gz DESTINATION ${VN_INSTALL_DOCDIR}
        COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_SOURCE_DIR}/data/linux/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME vantry-null COMPONENT debian EXCLUDE_FROM_ALL)

# One package of everything, the Debian-only files included.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL Unspecified debian)
set(CPACK_GENERATOR DEB)
include(CPack)
