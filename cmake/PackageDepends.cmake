# Run by cpack when it makes the package: the Depends line from the programs
# and the QR-code module as dpkg-shlibdeps reads them. CPack's own reading
# would also add ldconfig calls to the maintainer scripts, which a module in
# the program's private folder does not need.
if(CPACK_GENERATOR STREQUAL "DEB")
  include("${CPACK_SENDVIK_BUILD_DIR}/package-elf-files.cmake")
  set(_work "${CPACK_SENDVIK_BUILD_DIR}/shlibdeps")
  file(REMOVE_RECURSE "${_work}")
  file(MAKE_DIRECTORY "${_work}/debian")
  file(WRITE "${_work}/debian/control" "")
  execute_process(
    COMMAND dpkg-shlibdeps -O --ignore-missing-info ${CPACK_SENDVIK_ELF_FILES}
    WORKING_DIRECTORY "${_work}"
    OUTPUT_VARIABLE _found
    ERROR_VARIABLE _said
    RESULT_VARIABLE _failed)
  if(_failed)
    message(FATAL_ERROR "dpkg-shlibdeps failed: ${_said}")
  endif()
  string(REGEX REPLACE "^shlibs:Depends=" "" _depends "${_found}")
  string(STRIP "${_depends}" _depends)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${_depends}")
  file(REMOVE_RECURSE "${_work}")
endif()
