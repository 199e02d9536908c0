# Fails unless every file in REQUIRED (paths relative to BUILD_DIR) is made
# by one of the commands Ninja runs to build TARGET, directly or through its
# dependencies: a link ("-o <file>") or a copy ending in the file.
#   cmake -DNINJA=... -DBUILD_DIR=... -DTARGET=... -DREQUIRED=a;b -P CheckTargetInputs.cmake
execute_process(
  COMMAND ${NINJA} -C ${BUILD_DIR} -t commands ${TARGET}
  OUTPUT_VARIABLE commands
  ERROR_VARIABLE errors
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "ninja -t commands ${TARGET} failed (${result}): ${errors}")
endif()
set(missing)
foreach(file ${REQUIRED})
  string(FIND "${commands}" "-o ${file} " linked)
  string(FIND "${commands}" " ${BUILD_DIR}/${file}\n" copied)
  if(linked EQUAL -1 AND copied EQUAL -1)
    list(APPEND missing ${file})
  endif()
endforeach()
if(missing)
  list(JOIN missing ", " missing_text)
  message(FATAL_ERROR "Building ${TARGET} does not build: ${missing_text}")
endif()
list(LENGTH REQUIRED count)
message(STATUS "Building ${TARGET} builds all ${count} run-time files")
