# The floors of the source tree: every folder may include its own headers and
# those of the folders below it, never one above. Run as a script
# (cmake -DSOURCE_DIR=<tree> -P cmake/IncludeFloors.cmake): it lists each include
# that runs upward and each pair of folders that include each other, and fails
# when there is one. The build runs it before the window libraries compile.

cmake_minimum_required(VERSION 3.20)

# Folder, then the folders right below it (which bring their own lower ones).
set(floors
  "win32"
  "engine|platform"
  "platform|engine win32"
  "resources"
  "cli|engine"
  "framework|win32 resources"
  "controls|framework"
  "document|framework engine"
  "dialogs|controls document"
  "views|dialogs"
  "frame|views"
  "setup|framework"
  "app|frame setup"
  "shellext|win32"
)

foreach(floor IN LISTS floors)
  string(REPLACE "|" ";" parts "${floor}")
  list(GET parts 0 folder)
  list(LENGTH parts count)
  set(below_${folder} "")
  if(count GREATER 1)
    list(GET parts 1 lower)
    string(REPLACE " " ";" below_${folder} "${lower}")
  endif()
  list(APPEND folders ${folder})
endforeach()

# Everything a folder may include: itself and all below it, however deep.
foreach(folder IN LISTS folders)
  set(reach ${folder})
  set(queue ${below_${folder}})
  while(queue)
    list(POP_FRONT queue next)
    if(NOT next IN_LIST reach)
      list(APPEND reach ${next})
      list(APPEND queue ${below_${next}})
    endif()
  endwhile()
  set(reach_${folder} ${reach})
endforeach()

set(upward 0)
set(edges "")
foreach(folder IN LISTS folders)
  file(GLOB_RECURSE files "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(file IN LISTS files)
    file(STRINGS "${file}" includes REGEX "^#include \"[A-Za-z0-9_]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^#include \"([A-Za-z0-9_]+)/.*" "\\1" target "${line}")
      if(NOT target STREQUAL folder)
        list(APPEND edges "${folder}>${target}")
      endif()
      if(NOT target IN_LIST reach_${folder})
        file(RELATIVE_PATH name "${SOURCE_DIR}" "${file}")
        message(STATUS "upward: ${name} includes ${target}/")
        math(EXPR upward "${upward} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()

list(REMOVE_DUPLICATES edges)
set(pairs 0)
foreach(edge IN LISTS edges)
  string(REPLACE ">" ";" ends "${edge}")
  list(GET ends 0 from)
  list(GET ends 1 to)
  if(from STRLESS to AND "${to}>${from}" IN_LIST edges)
    message(STATUS "pair: ${from}/ and ${to}/ include each other")
    math(EXPR pairs "${pairs} + 1")
  endif()
endforeach()

message(STATUS "${upward} upward includes, ${pairs} pairs of folders that include each other")
if(upward OR pairs)
  message(FATAL_ERROR "An include runs upward: move the code down or report through a lower interface")
endif()
