# Run by `cmake --install` (see ZivInstall.cmake): fills in the files of dist/
# that name installed paths, for the prefix of this install, and compresses the
# man pages and changelog as Debian keeps them (gzip -n: no time stamp, so the
# same sources give the same bytes).
foreach(dir bindir datadir)
  if(IS_ABSOLUTE "${ziv_${dir}}")
    set(full "${ziv_${dir}}")
  else()
    set(full "${CMAKE_INSTALL_PREFIX}/${ziv_${dir}}")
  endif()
  string(TOUPPER "ZIV_FULL_${dir}" name)
  set(${name} "${full}")
endforeach()

configure_file("${ziv_dist}/ziv.desktop.in" "${ziv_stage}/ziv.desktop" @ONLY)
configure_file("${ziv_dist}/ziv.metainfo.xml.in" "${ziv_stage}/${ZIV_APP_ID}.metainfo.xml" @ONLY)
configure_file("${ziv_dist}/changelog.in" "${ziv_stage}/changelog" @ONLY)
configure_file("${ziv_dist}/ziv.pc.in" "${ziv_stage}/ziv.pc" @ONLY)
foreach(page ziv ziv-play ziv-render ziv-track-stats)
  configure_file("${ziv_dist}/man/${page}.1.in" "${ziv_stage}/${page}.1" @ONLY)
endforeach()
foreach(file ziv.1 ziv-play.1 ziv-render.1 ziv-track-stats.1 changelog)
  execute_process(COMMAND gzip -9 -n -f "${ziv_stage}/${file}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
