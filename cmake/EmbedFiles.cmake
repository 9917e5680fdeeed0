# Writes OUTPUT, a C++ source that holds each of the files in INPUTS (a list) as
# a byte array, reachable as std::string_view embeddedFileN() in the order
# given. Run as: cmake -DOUTPUT=... -DINPUTS="a|b" -P EmbedFiles.cmake (a bar
# between the names, as a semicolon would split the command's argument).
string(REPLACE "|" ";" INPUTS "${INPUTS}")
set(body "// Written by cmake/EmbedFiles.cmake from the files it names; do not edit.\n")
string(APPEND body "#include <string_view>\n\nnamespace trellmark {\n")
set(index 0)
foreach(input IN LISTS INPUTS)
  file(READ "${input}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR length "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  string(REGEX REPLACE "(([^,]*,){24})" "\\1\n" bytes "${bytes}")
  get_filename_component(name "${input}" NAME)
  string(APPEND body "\n// ${name}\nnamespace {\nconstexpr char file${index}[] = {\n${bytes}0};\n}\n")
  string(APPEND body "std::string_view embeddedFile${index}() { return {file${index}, ${length}}; }\n")
  math(EXPR index "${index} + 1")
endforeach()
string(APPEND body "\n}  // namespace trellmark\n")
file(WRITE "${OUTPUT}.new" "${body}")
configure_file("${OUTPUT}.new" "${OUTPUT}" COPYONLY)
file(REMOVE "${OUTPUT}.new")
