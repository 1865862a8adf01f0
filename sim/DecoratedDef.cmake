# cmake -DNM=<nm> -DDEF=<.def> -DOUT=<.def> -DOBJECTS=<objects> -P DecoratedDef.cmake
#
# On 32-bit x86 a __stdcall function's symbol carries the size of its arguments (_viOpen@20).
# GNU ld exports the undecorated names of a .def file, but the import library it writes then
# holds undecorated symbols too, which a caller compiled against the prototypes cannot link to.
# Each "name" of DEF becomes "name@N == name": the export stays undecorated and the import
# library maps the decorated symbol to it, as Windows' own import libraries do.
execute_process(COMMAND ${NM} --defined-only ${OBJECTS}
    OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${NM} failed on ${OBJECTS}")
endif()
file(STRINGS ${DEF} lines)
set(text "")
foreach(line IN LISTS lines)
    if(line MATCHES "^    ([A-Za-z_][A-Za-z0-9_]*)$")
        set(name ${CMAKE_MATCH_1})
        if(symbols MATCHES " T _${name}(@[0-9]+)\n")
            set(line "    ${name}${CMAKE_MATCH_1} == ${name}")
        elseif(NOT symbols MATCHES " T _${name}\n")
            message(FATAL_ERROR "${DEF}: ${name} is not defined in ${OBJECTS}")
        endif()
    endif()
    string(APPEND text "${line}\n")
endforeach()
file(CONFIGURE OUTPUT ${OUT} CONTENT "${text}" @ONLY)
