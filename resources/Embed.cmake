# cmake -DINPUT=<file> -DOUTPUT=<source> -DSYMBOL=<name> -P Embed.cmake
#
# Writes a C++ source holding the bytes of INPUT as `SYMBOL` and their count
# as `SYMBOL_size`. A zero byte follows the data (not counted), so text can
# also be read as a C string.
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT}.tmp
"// Generated from ${INPUT}; do not edit.\n"
"extern const unsigned char ${SYMBOL}[] = {\n${bytes}0x00};\n"
"extern const unsigned long ${SYMBOL}_size = ${size};\n")
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
