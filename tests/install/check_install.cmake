# Installs the build into a fresh prefix and checks that exactly the expected files landed, that
# the desktop entry is valid and that the installed service runs.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(result)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(expected
    bin/linkvane
    bin/linkvane-index
    bin/linkvane-service
    bin/linkvane-start
    share/man/man1/linkvane.1
    share/man/man1/linkvane-index.1
    share/man/man1/linkvane-service.1
    share/man/man1/linkvane-start.1
    share/applications/linkvane.desktop
    share/icons/hicolor/16x16/apps/linkvane.png
    share/icons/hicolor/24x24/apps/linkvane.png
    share/icons/hicolor/32x32/apps/linkvane.png
    share/icons/hicolor/48x48/apps/linkvane.png
    share/icons/hicolor/256x256/apps/linkvane.png
    share/linkvane/demo-links.tsv)
file(GLOB_RECURSE landed RELATIVE "${PREFIX}" "${PREFIX}/*")
list(SORT landed)
list(SORT expected)
if(NOT landed STREQUAL expected)
  message(FATAL_ERROR "installed:\n  ${landed}\nexpected:\n  ${expected}")
endif()

execute_process(COMMAND desktop-file-validate "${PREFIX}/share/applications/linkvane.desktop"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(result OR output)
  message(FATAL_ERROR "desktop-file-validate: ${output}")
endif()

foreach(program linkvane-service linkvane-index linkvane-start)
  execute_process(COMMAND "${PREFIX}/bin/${program}" --help RESULT_VARIABLE result OUTPUT_VARIABLE output)
  if(result OR NOT output MATCHES "Usage:")
    message(FATAL_ERROR "the installed ${program} does not run: ${result} ${output}")
  endif()
  # help2man's page names the program and holds its options.
  file(READ "${PREFIX}/share/man/man1/${program}.1" page)
  string(FIND "${page}" "\\-\\-help" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the man page of ${program} holds no options")
  endif()
endforeach()
