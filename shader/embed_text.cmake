# embed_text.cmake - turns a text file into a C++ source that defines it as one
# NUL-terminated char array.
#
# Run in CMake script mode, so it works the same for native and cross builds:
#   cmake -DINPUT=file.txt -DOUTPUT=file.cpp -DHEADER=name.hpp
#         -DNAMESPACE=ns -DSYMBOL=kName -P embed_text.cmake
# The text is written as hexadecimal bytes: no escaping rules to get wrong and no
# string-literal length limits.
foreach(var INPUT OUTPUT HEADER NAMESPACE SYMBOL)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "embed_text.cmake: ${var} is not set")
  endif()
endforeach()

file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
if(hex_length EQUAL 0)
  message(FATAL_ERROR "embed_text.cmake: ${INPUT} is empty")
endif()
math(EXPR byte_count "${hex_length} / 2")
# Plain ASCII only: a NUL byte would cut the text short where the GL reads it,
# and not every driver accepts bytes above 0x7f even in comments.
string(REGEX MATCHALL "[0-9a-f][0-9a-f]" byte_list "${hex}")
list(FIND byte_list "00" nul_at)
if(NOT nul_at EQUAL -1)
  message(FATAL_ERROR "embed_text.cmake: ${INPUT} contains a NUL byte at offset ${nul_at}")
endif()
set(high_bytes ${byte_list})
list(FILTER high_bytes INCLUDE REGEX "^[89a-f]")
if(high_bytes)
  message(FATAL_ERROR "embed_text.cmake: ${INPUT} contains non-ASCII bytes; keep the text plain ASCII")
endif()

# Sixteen bytes a line.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REPEAT "0x[0-9a-f][0-9a-f]," 16 line_pattern)
string(REGEX REPLACE "(${line_pattern})" "\\1\n    " bytes "${bytes}")

get_filename_component(input_name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
"// Generated at build time from ${input_name} by embed_text.cmake; do not edit.\n"
"#include \"${HEADER}\"\n\n"
"namespace ${NAMESPACE} {\n\n"
"// ${byte_count} characters and the terminating NUL.\n"
"const char ${SYMBOL}[] = {\n    ${bytes}0x00};\n\n"
"}  // namespace ${NAMESPACE}\n")
# Only touch the output when it changes, so unrelated rebuilds stay quiet.
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
