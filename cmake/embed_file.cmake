# Writes the bytes of IN as a C++ array NAME (and NAME_size) into OUT.
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" len)
math(EXPR size "${len} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){32})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUT} "// Generated from ${IN}.\nextern const unsigned char ${NAME}[];\n"
     "extern const int ${NAME}_size;\nconst unsigned char ${NAME}[] = {\n${bytes}0};\n"
     "const int ${NAME}_size = ${size};\n")
