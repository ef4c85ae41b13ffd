# The Windows release (included by the top CMakeLists after the programs):
# vellor-setup, the small program that install.cmd and uninstall.cmd call to
# edit maker.ini, in every build (the native build tests its edits), and in
# a Windows build the zip build-win/Vellor-<VERSION>-win64.zip with its test
# under Wine. What the zip holds: cmake/windows_package.cmake.

add_executable(vellor-setup ${PROJECT_SOURCE_DIR}/packaging/windows/vellor_setup.cpp)
if(WIN32)
  target_link_options(vellor-setup PRIVATE -municode) # wmain: arguments in UTF-16
endif()

set(maker_ini_cases ${PROJECT_SOURCE_DIR}/tests/windows/maker_ini)

# maker.ini of every shape through vellor-setup here: adding twice, then
# removing, gives the expected bytes (the Windows build goes through
# install.cmd and uninstall.cmd instead).
if(VELLOR_TESTS AND NOT WIN32)
  add_test(NAME vellor_setup_maker_ini
           COMMAND ${CMAKE_COMMAND} -DSETUP=$<TARGET_FILE:vellor-setup> -DCASES=${maker_ini_cases}
                   -DWORK=${PROJECT_BINARY_DIR}/tests/maker_ini -P ${PROJECT_SOURCE_DIR}/cmake/maker_ini_test.cmake)
endif()

if(NOT (WIN32 AND CMAKE_CROSSCOMPILING AND TARGET vellor-host AND TARGET Vellor))
  return()
endif()

set(VELLOR_PACKAGE_NAME Vellor-${PROJECT_VERSION}-win64)
set(VELLOR_PACKAGE_ZIP ${PROJECT_BINARY_DIR}/${VELLOR_PACKAGE_NAME}.zip)
set(packaging ${PROJECT_SOURCE_DIR}/packaging/windows)
configure_file(${packaging}/README.txt.in ${PROJECT_BINARY_DIR}/package/README.txt @ONLY)

# The licences of what the zip carries besides our own code: ICU (its
# LICENSE as ICU's install puts it, else Debian's copyright file of ICU), and
# the MinGW-w64 runtime and GCC's runtime libraries linked into every program.
file(GLOB icu_licence ${VELLOR_ICU_WINDOWS_DIR}/share/icu/*/LICENSE /usr/share/doc/libicu[0-9]*/copyright)
set(licences)
foreach(pair IN ITEMS "ICU.txt|${icu_licence}"
                      "MinGW-w64.txt|/usr/share/doc/mingw-w64-common/copyright"
                      "GCC-runtime.txt|/usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 name)
  list(GET pair 1 file)
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "No licence text for ${name} (looked for ${file})")
  endif()
  list(APPEND licences "${name}=${file}")
endforeach()

file(GLOB package_sources ${packaging}/*)
string(REPLACE ";" "|" icu_dlls "${VELLOR_ICU_DLLS}")
string(REPLACE ";" "|" licences "${licences}")
add_custom_command(
  OUTPUT ${VELLOR_PACKAGE_ZIP}
  COMMAND ${CMAKE_COMMAND} -DZIP=${VELLOR_PACKAGE_ZIP} -DNAME=${VELLOR_PACKAGE_NAME}
          -DSTAGE=${PROJECT_BINARY_DIR}/package -DOBJDUMP=${CMAKE_OBJDUMP} -DSTRIP=${CMAKE_STRIP}
          -DMODULE=$<TARGET_FILE:Vellor> -DHOST=$<TARGET_FILE:vellor-host> -DSETUP=$<TARGET_FILE:vellor-setup>
          -DICU_DLLS=${icu_dlls} -DHOST_DIR=${PROJECT_BINARY_DIR}/hostdir -DPACKAGING=${packaging}
          -DREADME=${PROJECT_BINARY_DIR}/package/README.txt -DLICENCES=${licences}
          -P ${PROJECT_SOURCE_DIR}/cmake/windows_package.cmake
  DEPENDS Vellor vellor-host vellor-setup vellor_hostdir ${package_sources}
          ${PROJECT_BINARY_DIR}/package/README.txt ${PROJECT_SOURCE_DIR}/cmake/windows_package.cmake
  COMMENT "Packing ${VELLOR_PACKAGE_ZIP}"
  VERBATIM)
add_custom_target(vellor_package ALL DEPENDS ${VELLOR_PACKAGE_ZIP})

# The zip under Wine: unpacked into a scratch FrameMaker folder per maker.ini
# shape, installed twice, the sample book run through the installed module,
# uninstalled; one Wine prefix of its own, kept between runs.
if(VELLOR_TESTS)
  add_test(NAME vellor_windows_package
           COMMAND ${CMAKE_COMMAND} -DZIP=${VELLOR_PACKAGE_ZIP} -DNAME=${VELLOR_PACKAGE_NAME}
                   -DWINE=${VELLOR_WINE} -DWORK=${PROJECT_BINARY_DIR}/tests/package -DCASES=${maker_ini_cases}
                   -DNATIVE_HOST=${VELLOR_NATIVE_BUILD_DIR}/apps/vellor-host -DEXAMPLES=${PROJECT_SOURCE_DIR}/examples
                   -P ${PROJECT_SOURCE_DIR}/cmake/windows_package_test.cmake)
  set_tests_properties(vellor_windows_package PROPERTIES TIMEOUT 600)
endif()
