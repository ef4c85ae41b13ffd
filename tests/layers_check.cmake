# Fails when a file includes a header of a layer above its own. The layers,
# from the bottom: platform, support/base, support/io, host, tools. The
# simulated host (hostsim) stands beside the plug-in: it may use platform,
# support and the host's records and wire contract, never the tools nor the
# call layer.
#   cmake -DSOURCE_DIR=<project> -P layers_check.cmake
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR is not set")
endif()

set(layers platform support/base support/io host tools)

# The rank of the layer a path (relative to the project) belongs to; -1 for
# none of them.
function(layer_rank path out)
  set(rank -1)
  set(index 0)
  foreach(layer IN LISTS layers)
    if(path MATCHES "^${layer}/")
      set(rank ${index})
    endif()
    math(EXPR index "${index} + 1")
  endforeach()
  set(${out} ${rank} PARENT_SCOPE)
endfunction()

set(faults "")
set(checked 0)
foreach(folder IN LISTS layers ITEMS hostsim)
  file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR}
       ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.c)
  foreach(file IN LISTS files)
    math(EXPR checked "${checked} + 1")
    layer_rank(${file} own)
    file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" header "${line}")
      if(folder STREQUAL "hostsim")
        if(header MATCHES "^tools/" OR header STREQUAL "host/call_layer.h"
           OR header STREQUAL "host/call_shapes.h")
          list(APPEND faults "${file} includes ${header}")
        endif()
        continue()
      endif()
      layer_rank(${header} theirs)
      if(header MATCHES "^hostsim/" OR header MATCHES "^apps/" OR header MATCHES "^tests/")
        list(APPEND faults "${file} includes ${header}")
      elseif(theirs GREATER own)
        list(APPEND faults "${file} includes ${header}, a layer above its own")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "Includes that point up:\n  ${text}")
endif()
message(STATUS "${checked} files include only their own layer and those below")
