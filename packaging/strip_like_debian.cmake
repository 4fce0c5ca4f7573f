# Run by CPack once the files are staged (CPACK_PRE_BUILD_SCRIPTS): strips
# every ELF file as Debian's dh_strip does. CMake's own stripping keeps the
# .comment and .note sections, which say nothing to a user.
find_program(STRIP_PROGRAM strip REQUIRED)
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file IN LISTS staged)
  if(IS_SYMLINK "${file}")
    continue()
  endif()
  file(READ "${file}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46")
    execute_process(COMMAND ${STRIP_PROGRAM} --remove-section=.comment --remove-section=.note
                            --strip-unneeded "${file}"
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
