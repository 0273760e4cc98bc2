# Writes the bytes of INPUT as a C++ array named SYMBOL into OUTPUT, so that
# the images ship inside the program on every platform.
file(READ "${INPUT}" bytes HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${bytes}")
file(WRITE "${OUTPUT}"
    "// Generated from ${INPUT}; do not edit.\n"
    "#include <cstddef>\n"
    "extern const unsigned char ${SYMBOL}[] = {${bytes}};\n"
    "extern const std::size_t ${SYMBOL}Size = sizeof ${SYMBOL};\n")
