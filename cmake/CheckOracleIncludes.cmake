# cmake -DSOURCE_DIR=<src/oracle> -DRULES=<rules file> -P CheckOracleIncludes.cmake
#
# Fails when a file of an Oracle library folder includes a header of another
# Oracle folder that the folder's library does not link (directly or through
# the folders it links). The rules file sets, per folder, ORACLE_ALLOWED_<folder>
# to the folders that folder may include; it is written when the project is
# configured, from the libraries' own link lists.
cmake_minimum_required(VERSION 3.25)
include(${RULES})

file(GLOB folders RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*)
list(SORT folders)
set(faults 0)
foreach(folder ${folders})
  if(NOT IS_DIRECTORY ${SOURCE_DIR}/${folder})
    continue()
  endif()
  if(NOT DEFINED ORACLE_ALLOWED_${folder})
    message(SEND_ERROR "src/oracle/${folder}: folder without a norvane_oracle_${folder} library")
    math(EXPR faults "${faults} + 1")
    continue()
  endif()
  file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${folder}/*.h
       ${SOURCE_DIR}/${folder}/*.cpp)
  list(SORT files)
  foreach(file ${files})
    file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"oracle/")
    foreach(line ${lines})
      string(REGEX MATCH "\"oracle/([^/\"]+)/" unused "${line}")
      set(target "${CMAKE_MATCH_1}")
      if(target STREQUAL "" OR target STREQUAL folder)
        continue()
      endif()
      if(NOT target IN_LIST ORACLE_ALLOWED_${folder})
        string(STRIP "${line}" line)
        message(SEND_ERROR "src/oracle/${file}: ${line}: norvane_oracle_${folder} does not "
                           "link norvane_oracle_${target}")
        math(EXPR faults "${faults} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()
if(faults GREATER 0)
  message(FATAL_ERROR "${faults} include(s) against the Oracle folder layering")
endif()
message(STATUS "Oracle folders include only the folders their libraries link")
