# Installation and packages: the programs under bin/, the README with the
# pictures it shows and the licences (the project's, and uPlot's for the
# health report's charts) under share/doc/<project>/, a man page for each
# program under share/man/man1/; a .deb on Linux and a .zip on Windows (the
# mingw build, whose executables are linked statically) through CPack.
include(GNUInstallDirs)

install(TARGETS Norv_CalSummary Norv_CalHealth make_cal_files RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The pictures the README shows (![text](path) with a path in the source
# tree), installed beside it at the same relative paths, so that its links
# work where it is installed. The README is read again when it changes.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS README.md)
file(STRINGS README.md readme_picture_lines REGEX "!\\[[^]]*\\]\\([^)]+\\)")
foreach(line IN LISTS readme_picture_lines)
  string(REGEX MATCHALL "!\\[[^]]*\\]\\([^)]+\\)" links "${line}")
  foreach(link IN LISTS links)
    string(REGEX REPLACE "^!\\[[^]]*\\]\\(([^)]+)\\)$" "\\1" picture "${link}")
    if(picture MATCHES "://")
      continue()
    endif()
    if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${picture})
      message(WARNING "README.md shows ${picture}, which is not in the source tree")
      continue()
    endif()
    get_filename_component(picture_folder "${picture}" DIRECTORY)
    install(FILES ${picture} DESTINATION ${CMAKE_INSTALL_DOCDIR}/${picture_folder})
  endforeach()
endforeach()
install(FILES third_party/uplot/LICENSE third_party/uplot/VERSION.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/third_party/uplot)

if(NOT WIN32)
  foreach(page Norv_CalSummary Norv_CalHealth make_cal_files)
    configure_file(man/${page}.1 ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.1 @ONLY)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
endif()

set(CPACK_PACKAGE_NAME "norv-calsummary")
set(CPACK_PACKAGE_VENDOR "The Norv_CalSummary developers")
set(CPACK_PACKAGE_CONTACT "The Norv_CalSummary developers <norv-calsummary@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Summary tables and health report of meteor-camera calibration files")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_CURRENT_BINARY_DIR}/packages)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-windows-x86_64")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION science)
  # The readline runtime and the C and C++ runtimes the programs link.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34), libgcc-s1 (>= 3.0), libstdc++6 (>= 12), libreadline8 (>= 8.0)")
endif()
include(CPack)

# The Windows zip beside the .deb: with NORV_PACKAGE_WINDOWS (the package
# preset) and the mingw-w64 cross compiler at hand, the build configures a
# Windows build of its own, builds the three programs and packs them.
option(NORV_PACKAGE_WINDOWS "Also build the Windows zip (needs the mingw-w64 cross compiler)" OFF)
if(NORV_PACKAGE_WINDOWS AND NOT WIN32)
  find_program(NORV_MINGW_CXX x86_64-w64-mingw32-g++-posix)
  if(NORV_MINGW_CXX)
    set(windows_build ${CMAKE_CURRENT_BINARY_DIR}/windows)
    # The inner build cannot share the outer one's job slots (a custom
    # command is not a make recipe), so it is given the machine's cores.
    include(ProcessorCount)
    ProcessorCount(windows_jobs)
    if(windows_jobs EQUAL 0)
      set(windows_jobs 2)
    endif()
    add_custom_target(windows_zip
      COMMAND ${CMAKE_COMMAND} -S ${CMAKE_CURRENT_SOURCE_DIR} -B ${windows_build}
              -DCMAKE_TOOLCHAIN_FILE=${CMAKE_CURRENT_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
              -DCMAKE_BUILD_TYPE=Release
      COMMAND ${CMAKE_COMMAND} --build ${windows_build} --parallel ${windows_jobs}
              --target Norv_CalSummary Norv_CalHealth make_cal_files
      COMMAND ${CMAKE_COMMAND} -E chdir ${windows_build} ${CMAKE_CPACK_COMMAND} -G ZIP
              -D CPACK_OUTPUT_FILE_PREFIX=${CMAKE_CURRENT_BINARY_DIR}/packages
      COMMENT "Building and packing the Windows programs"
      VERBATIM)
  else()
    add_custom_target(windows_zip
      COMMAND ${CMAKE_COMMAND} -E echo "x86_64-w64-mingw32-g++-posix not found: no Windows zip")
  endif()
endif()
