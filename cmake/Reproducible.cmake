# Release files depend on the source alone: the same commit built in any folder at any time on the
# same toolchain gives the same bytes.
#
# Their one time is the commit's (SOURCE_DATE_EPOCH, which is taken as given when set), wherever
# the checkout is and however its path is reached. A tree that is no git checkout of its own (a
# source archive, or a folder inside another project's checkout) gets the fixed time below.
set(TAVRELONIM_FIXED_EPOCH 1767225600)  # 2026-01-01 00:00:00 UTC
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(TAVRELONIM_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  set(TAVRELONIM_SOURCE_DATE_EPOCH ${TAVRELONIM_FIXED_EPOCH})
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --show-toplevel WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE top OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
    # Compared as real paths: a checkout reached through a symbolic link is still its own.
    if(NOT failed)
      file(REAL_PATH "${top}" top)
    endif()
    file(REAL_PATH "${PROJECT_SOURCE_DIR}" source)
    if(NOT failed AND top STREQUAL source)
      execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                      OUTPUT_VARIABLE committed OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
      if(committed MATCHES "^[0-9]+$")
        set(TAVRELONIM_SOURCE_DATE_EPOCH ${committed})
      endif()
    endif()
  endif()
endif()
if(NOT TAVRELONIM_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  message(FATAL_ERROR "SOURCE_DATE_EPOCH must be seconds since 1970, not '${TAVRELONIM_SOURCE_DATE_EPOCH}'")
endif()

if(MINGW)
  # GNU ld stamps a PE image with SOURCE_DATE_EPOCH when it is set (and its checksum follows from
  # the bytes); no build folder reaches the binary.
  set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${TAVRELONIM_SOURCE_DATE_EPOCH})
  add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}/= -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)
endif()
