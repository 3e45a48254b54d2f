# What `cmake --install` puts where (GNU layout, any prefix), and the Debian package made from it with
# `cpack -G DEB`. Targets are named, not their folders, so this file does not follow sources around.
# Windows builds take their own layout and packages from InstallWindows.cmake.
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/InstallWindows.cmake)
  return()
endif()

include(GNUInstallDirs)

set(QUORVANE_APP_ID io.github.quorvane.Quorvane)
set(QUORVANE_DATA_DIR ${PROJECT_SOURCE_DIR}/data)

foreach(program quorvane quorvane-cli)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

if(TARGET quorvane)
  install(FILES ${QUORVANE_DATA_DIR}/${QUORVANE_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${QUORVANE_DATA_DIR}/${QUORVANE_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  # The theme icons are drawn at build time by the same shapes as the tray icon.
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(icon_dir ${CMAKE_BINARY_DIR}/icons/hicolor)
  set(icon_files ${icon_dir}/scalable/apps/${QUORVANE_APP_ID}.svg)
  foreach(size 16 22 24 32 48 64 128 256)
    list(APPEND icon_files ${icon_dir}/${size}x${size}/apps/${QUORVANE_APP_ID}.png)
  endforeach()
  add_custom_command(
    OUTPUT ${icon_files}
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/src/resources/make_theme_icons.py ${icon_dir}
            ${QUORVANE_APP_ID}
    DEPENDS ${PROJECT_SOURCE_DIR}/src/resources/make_theme_icons.py ${PROJECT_SOURCE_DIR}/src/resources/make_icon.py
    COMMENT "Drawing the theme icons")
  add_custom_target(theme-icons ALL DEPENDS ${icon_files})
  install(DIRECTORY ${icon_dir}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
endif()

if(TARGET quorvane-cli)
  find_program(GZIP_PROGRAM gzip REQUIRED)
  set(man_page ${CMAKE_BINARY_DIR}/man/quorvane-cli.1.gz)
  add_custom_command(
    OUTPUT ${man_page}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${GZIP_PROGRAM} -9nc ${QUORVANE_DATA_DIR}/quorvane-cli.1 > ${man_page}
    DEPENDS ${QUORVANE_DATA_DIR}/quorvane-cli.1
    COMMENT "Compressing the manual page")
  add_custom_target(man-page ALL DEPENDS ${man_page})
  install(FILES ${man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  install(FILES ${QUORVANE_DATA_DIR}/completions/quorvane-cli.bash
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME quorvane-cli)
  # zsh looks in vendor-completions for the system's packages (prefix /usr, also inside the package
  # staging tree) and in site-functions for local installs; the prefix is only known at install time.
  install(CODE "
    if(CMAKE_INSTALL_PREFIX MATCHES \"(^|/)usr/?$\")
      set(zsh_dir \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions\")
    else()
      set(zsh_dir \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/zsh/site-functions\")
    endif()
    file(INSTALL DESTINATION \"\${zsh_dir}\" TYPE FILE FILES \"${QUORVANE_DATA_DIR}/completions/_quorvane-cli\")")
endif()

# The licence, as a Debian machine-readable copyright file made from LICENSE at configure time (the text
# indented by one space, blank lines as " ."), so the two never differ.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license_text)
string(REGEX REPLACE "^MIT License\n\n[^\n]*\n\n" "" license_terms "${license_text}")
string(REGEX REPLACE "\n+$" "" license_terms "${license_terms}")
string(REGEX REPLACE "\n\n" "\n.\n" license_terms "${license_terms}")
string(REGEX REPLACE "\n" "\n " license_terms "${license_terms}")
file(WRITE ${CMAKE_BINARY_DIR}/doc/copyright
     "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
     "Upstream-Name: Quorvane\n"
     "Source: https://github.com/quorvane/quorvane\n"
     "\n"
     "Files: *\n"
     "Copyright: 2026 The Quorvane developers\n"
     "License: MIT\n"
     "\n"
     "License: MIT\n"
     " ${license_terms}\n")
install(FILES ${CMAKE_BINARY_DIR}/doc/copyright DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/quorvane)

# Debian package: quorvane_<version>_<arch>.deb, dependencies worked out from the binaries.
set(QUORVANE_DEB_MAINTAINER "The Quorvane developers <quorvane-dev@users.noreply.github.com>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VENDOR "The Quorvane developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "save Douyin videos without the watermark")
set(CPACK_PACKAGE_DESCRIPTION
    "Quorvane turns a Douyin share link into the watermark-free video file, its background music, its
title and its publish time. A desktop program with a tray icon and clipboard watching, and quorvane-cli
for scripts and batches of links.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUORVANE_DEB_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/quorvane/quorvane)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not seen by shlibdeps: the X11 platform plugin Qt loads at run time, and libcurl, which the programs
# open on first use rather than at start-up.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
if(QUORVANE_CURL_SONAME STREQUAL "libcurl.so.4")
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libcurl4")
endif()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, fonts-noto-color-emoji, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
