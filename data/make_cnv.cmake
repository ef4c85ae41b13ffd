# Runs makeconv over every .ucm in UCM_DIR, writing the .cnv files into the
# ICU data package folder below ICU_DATA_DIR. The package folder's name
# (U_ICUDATA_NAME, e.g. "icudt72l") comes from icu_package.txt, which the
# generator writes from ICU's own headers.
file(READ ${UCM_DIR}/icu_package.txt package)
string(STRIP "${package}" package)
if(package STREQUAL "")
  message(FATAL_ERROR "no ICU data package name in ${UCM_DIR}/icu_package.txt")
endif()
set(out ${ICU_DATA_DIR}/${package})
file(MAKE_DIRECTORY ${out})
file(GLOB tables ${UCM_DIR}/*.ucm)
foreach(table IN LISTS tables)
  execute_process(COMMAND ${MAKECONV} -d ${out} ${table}
                  RESULT_VARIABLE result ERROR_VARIABLE errors)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "makeconv failed on ${table}: ${errors}")
  endif()
endforeach()
