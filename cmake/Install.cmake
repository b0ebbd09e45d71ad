# What `cmake --install` puts where on Linux and the other free desktops: the
# two programs, the desktop entry and the icons that put the window into the
# desktop's menus, the software-centre description (AppStream), the manual
# pages, the licence, the schema of the command line's JSON output, and the file
# types of lens files and set-up files.
include(GNUInstallDirs)
# Documentation goes under the package's name, not the CMake project's.
set(VN_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/vantry-null)

# The desktop's name for the program: desktop entry, AppStream component and
# icon are all called by it.
set(VN_APP_ID org.vantrynull.VantryNull)
set(VN_LINUX_DATA ${CMAKE_SOURCE_DIR}/data/linux)

install(TARGETS vantry-null-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET vantry-null)
  install(TARGETS vantry-null RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  target_compile_definitions(vantry-null PRIVATE VN_DESKTOP_ID="${VN_APP_ID}")
endif()

if(WIN32)
  # Windows gets the zip of cmake/Windows.cmake; the rest is for free desktops.
  return()
endif()

# ---- Desktop: menu entry, icons, software centre, file types -----------------
if(TARGET vantry-null)
  install(FILES ${VN_LINUX_DATA}/${VN_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${VN_LINUX_DATA}/${VN_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${CMAKE_SOURCE_DIR}/data/icons/vantry-null.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
          RENAME ${VN_APP_ID}.svg)
  # PNGs for the desktops and menus that draw no SVG, made once from the SVG
  # (rsvg-convert -w N -h N) and kept with it.
  foreach(size 16 22 24 32 48 64 128 256 512)
    install(FILES ${CMAKE_SOURCE_DIR}/data/icons/hicolor/${size}x${size}/vantry-null.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${VN_APP_ID}.png)
  endforeach()
endif()
# Lens files (".len") and set-up files (".vnull") as types of their own, for
# the program that opens lens files and for file managers. The desktop
# rebuilds its type database from this folder (update-mime-database; a
# Debian package does it by trigger).
install(FILES ${VN_LINUX_DATA}/vantry-null-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME vantry-null.xml)

# ---- Manual pages, compressed as manual readers expect --------------------------
find_program(VN_GZIP gzip REQUIRED)
set(VN_MAN_PAGES vantry-null-cli.1)
if(TARGET vantry-null)
  list(APPEND VN_MAN_PAGES vantry-null.1)
endif()
set(VN_MAN_GZ)
foreach(page IN LISTS VN_MAN_PAGES)
  set(gz ${CMAKE_BINARY_DIR}/man/${page}.gz)
  # -n: no name or time stamp inside, so the same page makes the same bytes.
  add_custom_command(
    OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/data/man/${page} ${CMAKE_BINARY_DIR}/man/${page}
    COMMAND ${VN_GZIP} -9 -n -f ${CMAKE_BINARY_DIR}/man/${page}
    DEPENDS ${CMAKE_SOURCE_DIR}/data/man/${page}
    COMMENT "Compressing the manual page ${page}"
    VERBATIM)
  list(APPEND VN_MAN_GZ ${gz})
endforeach()
add_custom_target(vn_man_pages ALL DEPENDS ${VN_MAN_GZ})
install(FILES ${VN_MAN_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# ---- Licence --------------------------------------------------------------------
# The licence in the machine-readable form Debian reads from every package,
# which is the MIT text with its copyright line in front.
file(READ ${CMAKE_SOURCE_DIR}/LICENSE VN_LICENSE_TEXT)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/LICENSE)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" VN_COPYRIGHT_LINE "${VN_LICENSE_TEXT}")
set(VN_COPYRIGHT_HOLDER "${CMAKE_MATCH_1}")
string(REGEX REPLACE "^MIT License\n\nCopyright[^\n]*\n\n" "" VN_LICENSE_BODY "${VN_LICENSE_TEXT}")
string(STRIP "${VN_LICENSE_BODY}" VN_LICENSE_BODY)
# In the copyright file's format a licence's lines are indented by one blank,
# and an empty line is written as " .".
string(REGEX REPLACE "\n\n" "\n.\n" VN_LICENSE_BODY "${VN_LICENSE_BODY}")
string(REGEX REPLACE "\n" "\n " VN_LICENSE_BODY "${VN_LICENSE_BODY}")
configure_file(${VN_LINUX_DATA}/copyright.in ${CMAKE_BINARY_DIR}/copyright @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/copyright DESTINATION ${VN_INSTALL_DOCDIR})

# The schema of the command line's JSON output, which its manual page names.
install(FILES ${CMAKE_SOURCE_DIR}/docs/cli-output.schema.json DESTINATION ${VN_INSTALL_DOCDIR})

# ---- Checks of the desktop files, with the desktop's own checkers ---------------
if(VN_BUILD_TESTS AND TARGET vantry-null)
  find_program(VN_APPSTREAMCLI appstreamcli)
  find_program(VN_DESKTOP_FILE_VALIDATE desktop-file-validate)
  if(VN_APPSTREAMCLI)
    add_test(NAME metainfo_validates
             COMMAND ${VN_APPSTREAMCLI} validate --no-net ${VN_LINUX_DATA}/${VN_APP_ID}.metainfo.xml)
  endif()
  if(VN_DESKTOP_FILE_VALIDATE)
    add_test(NAME desktop_entry_validates
             COMMAND ${VN_DESKTOP_FILE_VALIDATE} ${VN_LINUX_DATA}/${VN_APP_ID}.desktop)
  endif()
endif()

# The Debian package adds to this layout (cmake/Packaging.cmake).
include(${CMAKE_CURRENT_LIST_DIR}/Packaging.cmake)
