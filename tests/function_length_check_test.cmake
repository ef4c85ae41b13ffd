# The function-length check run on sample functions of known length: it must
# name exactly the two that are too long, each from its signature's first
# line, and fail. The samples hide braces in strings, characters and
# comments the way real code does, and are written here into WORK.
#   cmake -DCHECK=<function_length_check.cmake> -DWORK=<folder> -P function_length_check_test.cmake

# `count` lines of plain statements.
function(statements count out)
  string(REPEAT "    a += 1`\n" ${count} text)
  string(REPLACE "`" ";" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Line 6: 61 lines, the signature over two.
statements(51 filler)
string(CONCAT spread
  "int SpreadOver(int a,\n"
  "               int b) {\n"
  "    const char* open = \"{{{\"`\n"
  "    char close = '}'`\n"
  "    // don't count this } nor this {\n"
  "    /* a block comment { spanning\n"
  "       two lines } */\n"
  "    const char* quote = \"\\\"}\\\\\"`\n"
  "${filler}"
  "    return a`\n"
  "}\n")
# 60 lines: not too long.
statements(56 filler)
string(CONCAT just
  "int JustShort(int a) {\n"
  "    const char* s = \"}}\"` // }\n"
  "    if (a) { a = '{'` }\n"
  "${filler}"
  "}\n")
# A 70-line table is no function.
string(REPEAT "    1,\n" 68 rows)
# A macro over three lines, its braces apart.
string(CONCAT macro
  "#define GUARD(x) do { \\\n"
  "        if (x) return` \\\n"
  "    } while (0)\n")
# Line 207: a member of 62 lines after an access label.
statements(59 filler)
string(CONCAT member
  "class Holder {\n"
  "  public:\n"
  "    int Member() const\n"
  "    {\n"
  "${filler}"
  "    }\n"
  "}`\n")
string(CONCAT text
  "// Sample functions of known length.\n"
  "namespace {\n"
  "\n"
  "\n"
  "\n"
  "${spread}\n${just}\n"
  "const int table[] = {\n${rows}}`\n"
  "\n"
  "} // namespace\n"
  "\n"
  "${macro}"
  "${member}")
string(REPLACE "`" ";" text "${text}")
file(REMOVE_RECURSE ${WORK}/sample)
file(WRITE ${WORK}/sample/functions.cpp "${text}")

execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${WORK} -DFOLDERS=sample -P ${CHECK}
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(result EQUAL 0)
  message(FATAL_ERROR "the check passed over functions that are too long:\n${out}")
endif()
string(REGEX MATCHALL "sample/[^\n]*" found "${out}")
set(expected "sample/functions.cpp:6: 61 lines" "sample/functions.cpp:207: 62 lines")
if(NOT found STREQUAL expected)
  message(FATAL_ERROR "expected ${expected}, the check said:\n${out}")
endif()
