# Writes OUTPUT, a C++ source that defines sscm::NAME as one section of the README: from the line
# HEADING ("## Data format") up to the next line that starts with "## ", as Markdown. The window
# shows it as its help, so the README stays the one place where it is written.
#
#   cmake -DREADME=README.md -DHEADING="## Data format" -DNAME=kDataFormatMarkdown
#         -DOUTPUT=dataformat.cpp -P readme-section.cmake
#
# Fails, naming the README and the heading, when the section is missing or holds nothing.
foreach(var README HEADING NAME OUTPUT)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "readme-section.cmake: ${var} is not given")
    endif()
endforeach()

file(READ "${README}" text)
string(REPLACE "\r\n" "\n" text "${text}")
# A newline before the first line, so that every line, the first included, follows one.
string(FIND "\n${text}\n" "\n${HEADING}\n" start)
if(start EQUAL -1)
    message(FATAL_ERROR "${README} has no line \"${HEADING}\": the window's help shows that "
                        "section of the README. Keep the heading as it is, or change the window's "
                        "help (ui/CMakeLists.txt) with it.")
endif()
string(LENGTH "${HEADING}\n" headingLength)
math(EXPR bodyStart "${start} + ${headingLength}")
string(SUBSTRING "${text}\n" ${bodyStart} -1 body)
string(FIND "${body}" "\n## " end)
if(NOT end EQUAL -1)
    math(EXPR end "${end} + 1")
    string(SUBSTRING "${body}" 0 ${end} body)
endif()
string(STRIP "${body}" stripped)
if(stripped STREQUAL "")
    message(FATAL_ERROR "The section \"${HEADING}\" of ${README} is empty: the window's help "
                        "shows it. Write the section, or change the window's help "
                        "(ui/CMakeLists.txt).")
endif()

set(delimiter "sscm_readme")
string(FIND "${body}" ")${delimiter}\"" clash)
if(NOT clash EQUAL -1)
    message(FATAL_ERROR "The section \"${HEADING}\" of ${README} holds \")${delimiter}\"\", "
                        "which ends the text in ${OUTPUT}: change the delimiter in "
                        "cmake/readme-section.cmake.")
endif()
string(CONCAT source "// Made from ${README} by cmake/readme-section.cmake; edit the README instead.\n"
       "namespace sscm {\nextern const char* const ${NAME};\n"
       "const char* const ${NAME} = R\"${delimiter}(${HEADING}\n${body})${delimiter}\";\n"
       "} // namespace sscm\n")
# Put in place only when it changes, so an edit elsewhere in the README recompiles nothing.
file(WRITE "${OUTPUT}.new" "${source}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
