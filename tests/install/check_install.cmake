# Installs the build into a fresh prefix and checks that exactly the expected files landed, that
# the desktop entry is valid, that the installed programs run and that their completion completes.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(result)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

# The command-line programs: these three, and any other that landed, each with its man page and
# its completion.
file(GLOB programs RELATIVE "${PREFIX}/bin" "${PREFIX}/bin/linkvane-*")
list(APPEND programs linkvane-index linkvane-service linkvane-start)
list(REMOVE_DUPLICATES programs)
set(expected
    bin/linkvane
    share/man/man1/linkvane.1.gz
    share/applications/linkvane.desktop
    share/metainfo/example.linkvane.linkvane.metainfo.xml
    share/icons/hicolor/16x16/apps/linkvane.png
    share/icons/hicolor/24x24/apps/linkvane.png
    share/icons/hicolor/32x32/apps/linkvane.png
    share/icons/hicolor/48x48/apps/linkvane.png
    share/icons/hicolor/256x256/apps/linkvane.png
    share/linkvane/demo-links.tsv
    share/doc/linkvane/copyright
    share/doc/linkvane/changelog.Debian.gz
    share/lintian/overrides/linkvane)
foreach(program ${programs})
  list(APPEND expected bin/${program} share/man/man1/${program}.1.gz share/bash-completion/completions/${program})
endforeach()
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

foreach(program ${programs})
  execute_process(COMMAND "${PREFIX}/bin/${program}" --help RESULT_VARIABLE result OUTPUT_VARIABLE output)
  if(result OR NOT output MATCHES "Usage:")
    message(FATAL_ERROR "the installed ${program} does not run: ${result} ${output}")
  endif()
  # help2man's page names the program and holds its options.
  execute_process(COMMAND gzip -dc "${PREFIX}/share/man/man1/${program}.1.gz" OUTPUT_VARIABLE page)
  string(FIND "${page}" "\\-\\-help" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the man page of ${program} holds no options")
  endif()
endforeach()

execute_process(COMMAND "${CMAKE_CURRENT_LIST_DIR}/check-completion" "${PREFIX}/bin"
                        "${PREFIX}/share/bash-completion/completions" ${programs} RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "the installed completion does not complete as its programs expect")
endif()
