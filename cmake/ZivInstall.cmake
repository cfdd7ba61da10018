# How ziv installs and how it is packaged.
#
#   cmake --install build --prefix ~/.local     # any prefix; no root needed
#   scripts/package.sh                          # build/ziv_<version>_<arch>.deb and ziv-dev_... (CPack DEB)
#
# Installed: the show, ziv-play and the two user tools, the GStreamer plugin, the default track, the desktop
# entry, icons, AppStream metainfo, man pages, copyright and changelog, and the
# shared library libziv.so.<major> (component "runtime", the package ziv); the
# library's header, libziv.so, libziv.a and ziv.pc (component "dev", the
# package ziv-dev). Not installed: tests, benchmarks, the composer and the
# picture generator.
# The files in dist/ that name an installed path are filled in when they are
# installed, so they are true for whatever prefix the install is given.
include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME runtime)

# Where the project lives. It has no public home yet: these are placeholders in
# the domain kept for examples, to be set once it has one.
set(ZIV_HOMEPAGE "https://ziv.example.org" CACHE STRING "The project's home page")
set(ZIV_APP_ID "org.example.ziv" CACHE STRING "AppStream component id: the home page's domain reversed")
set(ZIV_MAINTAINER "ziv developers <ziv@example.org>" CACHE STRING "The package's maintainer")
set(ZIV_LICENSE "LicenseRef-proprietary")  # no licence chosen yet: see dist/copyright

# The library's folder: Debian's multiarch one (lib/x86_64-linux-gnu) under any
# prefix, where the system's linker, pkg-config and lintian look for it, and
# where no ldconfig call from the package's scripts is needed (its trigger runs it).
if(CMAKE_LIBRARY_ARCHITECTURE AND CMAKE_INSTALL_LIBDIR STREQUAL "lib")
  set(ziv_lib_default "lib/${CMAKE_LIBRARY_ARCHITECTURE}")
else()
  set(ziv_lib_default "${CMAKE_INSTALL_LIBDIR}")
endif()
set(ZIV_LIB_DIR "${ziv_lib_default}" CACHE STRING "Where libziv and ziv.pc are installed, relative to the prefix")

set(ziv_dist ${CMAKE_SOURCE_DIR}/dist)
set(ziv_stage ${CMAKE_BINARY_DIR}/dist)
execute_process(COMMAND date -u -R -d "${ZIV_RELEASE_DATE}" OUTPUT_VARIABLE ZIV_RELEASE_DATE_RFC2822
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)

install(TARGETS ziv ziv-play ziv-render ziv-track-stats RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_BINARY_DIR}/DuskPulse.ogg DESTINATION ${CMAKE_INSTALL_DATADIR}/ziv)

# Filled in at install time, with the prefix the install is given. Each
# package is installed on its own, so each component fills in what it carries.
set(ziv_fill_in "
  set(ziv_dist \"${ziv_dist}\")
  set(ziv_stage \"${ziv_stage}\")
  set(PROJECT_VERSION \"${PROJECT_VERSION}\")
  set(ZIV_RELEASE_DATE \"${ZIV_RELEASE_DATE}\")
  set(ZIV_RELEASE_DATE_RFC2822 \"${ZIV_RELEASE_DATE_RFC2822}\")
  set(ZIV_APP_ID \"${ZIV_APP_ID}\")
  set(ZIV_HOMEPAGE \"${ZIV_HOMEPAGE}\")
  set(ZIV_LICENSE \"${ZIV_LICENSE}\")
  set(ZIV_MAINTAINER \"${ZIV_MAINTAINER}\")
  set(ziv_bindir \"${CMAKE_INSTALL_BINDIR}\")
  set(ziv_datadir \"${CMAKE_INSTALL_DATADIR}\")
  set(ZIV_FULL_LIBDIR \"\${CMAKE_INSTALL_PREFIX}/${ZIV_LIB_DIR}\")
  set(ZIV_FULL_INCLUDEDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_INCLUDEDIR}\")
  include(\"${CMAKE_CURRENT_LIST_DIR}/ZivInstallDist.cmake\")
")
install(CODE "${ziv_fill_in}" COMPONENT runtime)
install(CODE "${ziv_fill_in}" COMPONENT dev)
install(FILES ${ziv_stage}/ziv.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ziv_stage}/${ZIV_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${ziv_stage}/ziv.1.gz ${ziv_stage}/ziv-play.1.gz ${ziv_stage}/ziv-render.1.gz ${ziv_stage}/ziv-track-stats.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${ziv_dist}/copyright ${ziv_stage}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The library: the runtime beside the programs, what a program is built with in -dev.
install(TARGETS ziv_shared LIBRARY DESTINATION ${ZIV_LIB_DIR} COMPONENT runtime NAMELINK_COMPONENT dev)
install(TARGETS ziv_static ARCHIVE DESTINATION ${ZIV_LIB_DIR} COMPONENT dev)
install(FILES ${CMAKE_SOURCE_DIR}/libziv/include/ziv/ziv.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ziv COMPONENT dev)
install(FILES ${ziv_stage}/ziv.pc DESTINATION ${ZIV_LIB_DIR}/pkgconfig COMPONENT dev)
# The library in the main package rather than a libziv0 of its own, as its
# one user for now is this package's programs; lintian is told so.
install(FILES ${ziv_dist}/deb/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME ziv COMPONENT runtime)
install(FILES ${ziv_dist}/copyright ${ziv_stage}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ziv-dev COMPONENT dev)

# The GStreamer plugin, in GStreamer's plugin folder: pkg-config's pluginsdir,
# taken relative to GStreamer's own prefix, below the install's prefix. An
# install to /usr (the package) so puts it in the system's folder, where
# gst-inspect-1.0 and every player find it; an install elsewhere keeps it inside
# its prefix (point GST_PLUGIN_PATH there). ZIV_GST_PLUGIN_DIR overrides it.
if(ZIV_GST)
  pkg_get_variable(ziv_gst_pluginsdir gstreamer-1.0 pluginsdir)
  pkg_get_variable(ziv_gst_prefix gstreamer-1.0 prefix)
  string(LENGTH "${ziv_gst_prefix}/" ziv_gst_prefix_length)
  string(SUBSTRING "${ziv_gst_pluginsdir}" 0 ${ziv_gst_prefix_length} ziv_gst_head)
  if(ziv_gst_head STREQUAL "${ziv_gst_prefix}/")
    string(SUBSTRING "${ziv_gst_pluginsdir}" ${ziv_gst_prefix_length} -1 ziv_gst_default)
  else()
    set(ziv_gst_default "${CMAKE_INSTALL_LIBDIR}/gstreamer-1.0")
  endif()
  set(ZIV_GST_PLUGIN_DIR "${ziv_gst_default}" CACHE STRING
      "Where libgstziv.so is installed: relative to the install prefix, or absolute")
  install(TARGETS gstziv LIBRARY DESTINATION ${ZIV_GST_PLUGIN_DIR} COMPONENT runtime)
endif()

# Icons: drawn by the build (tools/ziv-icons) from the icon the program shows.
foreach(size 16 32 48 256)
  install(FILES ${ZIV_ICON_DIR}/ziv-${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ziv.png)
endforeach()
install(FILES ${ZIV_ICON_DIR}/ziv.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The Debian package. Runtime dependencies are worked out from the binaries
# by dpkg-shlibdeps; nothing that could be computed is listed by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ziv)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${ZIV_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "music-driven visual show")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${ziv_dist}/package-description.txt)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${ZIV_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS ffmpeg)  # ziv-render's video output runs the ffmpeg program
# Two packages, as Debian splits a library: ziv (the programs and the runtime
# library, with its shlibs file and ldconfig trigger) and ziv-dev (what a
# program is built against).
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ziv)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${ziv_dist}/deb/triggers)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_DEV_PACKAGE_NAME ziv-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "ziv (= ${PROJECT_VERSION})")
# CPack puts the summary above every package's description.
set(CPACK_DEBIAN_DEV_DESCRIPTION "The show as a C library, for programs that host it: they feed it samples
and draw its frames into their own 640x480 buffers. This package holds the
header ziv/ziv.h, the static library libziv.a and the pkg-config file ziv.pc;
the shared library is in the package ziv.")
include(CPack)
