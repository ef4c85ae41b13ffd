# The plug-in as one module, Vellor.so here (Vellor.dll on Windows), built from
# the core library and the version resource of data/vellor.rc.in. Its only
# exported symbol is F_ApiClientInit.

# The version has one source, the project's VERSION (2.1.100: major, minor,
# build): the version resource takes "2.1" and 2,1,0,0 from it, the About alert
# "Version 2.1 Build 100", vellor-host --version all of it (apps/).
set(VELLOR_RC ${PROJECT_BINARY_DIR}/generated/vellor.rc)
configure_file(${PROJECT_SOURCE_DIR}/data/vellor.rc.in ${VELLOR_RC} @ONLY)
target_compile_definitions(vellor_tools PRIVATE
  VELLOR_ABOUT_VERSION="Version ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR} Build ${PROJECT_VERSION_PATCH}")

if(WIN32)
  add_library(Vellor MODULE ${VELLOR_RC} ${PROJECT_SOURCE_DIR}/data/vellor.def)
else()
  # The resource compiler's part: the script becomes the module's resource table.
  add_executable(vellor_rc_convert ${PROJECT_SOURCE_DIR}/data/rc_convert.cpp)
  set(VELLOR_RESOURCE_CPP ${PROJECT_BINARY_DIR}/generated/vellor_resources.cpp)
  add_custom_command(OUTPUT ${VELLOR_RESOURCE_CPP}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/generated
    COMMAND vellor_rc_convert ${VELLOR_RC} ${VELLOR_RESOURCE_CPP}
    DEPENDS vellor_rc_convert ${VELLOR_RC}
    COMMENT "Converting the version resource script")
  add_library(Vellor MODULE ${VELLOR_RESOURCE_CPP})
  target_include_directories(Vellor PRIVATE ${PROJECT_SOURCE_DIR})
  # The entry lives in the core library: pull it in, then hide everything else.
  target_link_options(Vellor PRIVATE
    -Wl,--undefined=F_ApiClientInit
    -Wl,--version-script=${PROJECT_SOURCE_DIR}/data/vellor.map
    -Wl,--no-undefined)
  set_property(TARGET Vellor APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/data/vellor.map)
endif()
target_link_libraries(Vellor PRIVATE vellor_core)
set_target_properties(Vellor PROPERTIES
  PREFIX ""
  LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON)

# Test programs that load the module need it built first; the host tests also
# carry the module's resource table themselves, so that the version calls can
# be tried on the test program's own file.
function(vellor_module_before_tests)
  foreach(test IN ITEMS test_host test_hostsim test_scenarios test_reliability)
    if(TARGET ${test})
      add_dependencies(${test} Vellor)
    endif()
  endforeach()
  if(TARGET test_host AND WIN32)
    target_sources(test_host PRIVATE ${VELLOR_RC}) # compiled by windres
  elseif(TARGET test_host)
    target_sources(test_host PRIVATE ${VELLOR_RESOURCE_CPP})
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL vellor_module_before_tests)
