# Run as a script: writes OUTPUT, a C++ source holding every file named in LIST as a byte
# array plus the table that BkEmbeddedResources() returns. LIST has one "type|id|path" line
# per resource.
file(STRINGS "${LIST}" entries)
string(REPEAT "[0-9a-f]" 32 sixteen_bytes)

set(arrays "")
set(rows "")
set(index 0)
foreach(entry IN LISTS entries)
    string(REPLACE "|" ";" fields "${entry}")
    list(GET fields 0 type)
    list(GET fields 1 id)
    list(GET fields 2 path)
    file(READ "${path}" hex HEX)
    string(LENGTH "${hex}" hex_length)
    math(EXPR size "${hex_length} / 2")
    string(REGEX REPLACE "(${sixteen_bytes})" "\\1\n    " hex "${hex}")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    # The trailing NUL keeps empty files legal C++ and lets XML be read as a C string.
    string(APPEND arrays "// ${type} ${id}\nconst unsigned char kResource${index}[] = {\n    ${bytes}0x00};\n\n")
    string(APPEND rows "    {\"${type}\", ${id}, kResource${index}, ${size}},\n")
    math(EXPR index "${index} + 1")
endforeach()

file(WRITE "${OUTPUT}" "// Generated from resources/ui by EmbedResources.cmake; do not edit.
#include \"ui/BkEmbeddedResources.h\"

#include <iterator>

namespace BkWin {
namespace {

${arrays}const BkEmbeddedResource kResources[] = {
${rows}};

}  // namespace

const BkEmbeddedResource* BkEmbeddedResources(std::size_t* count) {
    *count = std::size(kResources);
    return kResources;
}

}  // namespace BkWin
")
