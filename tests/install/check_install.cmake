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
    bin/linkvane-service
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

execute_process(COMMAND "${PREFIX}/bin/linkvane-service" --help RESULT_VARIABLE result OUTPUT_VARIABLE output)
if(result OR NOT output MATCHES "--links")
  message(FATAL_ERROR "the installed linkvane-service does not run: ${result} ${output}")
endif()
