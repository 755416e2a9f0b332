# Writes a C++ source file that holds the bytes of a text file as a character array.
# Usage: cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -P embed_file.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_len)
math(EXPR size "${hex_len} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
# Break the initialiser into lines of 32 bytes to keep the generated file readable.
string(REGEX REPLACE "(('\\\\x[0-9a-f][0-9a-f]',){32})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
"// Generated from ${INPUT} at build time. Do not edit.\n"
"#include <cstddef>\n"
"namespace nnmodel {\nnamespace detail {\n"
"extern const char kTurner2004Text[];\n"
"extern const std::size_t kTurner2004Size;\n"
"const char kTurner2004Text[] = {\n${bytes}'\\0'};\n"
"const std::size_t kTurner2004Size = ${size};\n"
"}  // namespace detail\n}  // namespace nnmodel\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
