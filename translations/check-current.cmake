# Fails when the committed translation source is not in step with the sources: lupdate, run as
# update_translations runs it but over a copy, would add a text (a new tr() whose translation is
# missing) or drop one (a text no longer in the sources).
#   cmake -DTS=... -DWORK=<folder> -DPROJECT_CMAKE=... -DGENERATOR=... -DLUPDATE=... -P this
foreach(var TS WORK PROJECT_CMAKE GENERATOR LUPDATE)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "check-current.cmake needs -D${var}=...")
    endif()
endforeach()
get_filename_component(name "${TS}" NAME)
set(copy "${WORK}/${name}")
file(MAKE_DIRECTORY "${WORK}")
file(COPY_FILE "${TS}" "${copy}")
execute_process(
    COMMAND "${CMAKE_COMMAND}" "-DIN_FILE=${PROJECT_CMAKE}" "-DOUT_FILE=${WORK}/project.json"
            -P "${GENERATOR}"
    COMMAND_ERROR_IS_FATAL ANY)
execute_process(
    COMMAND "${LUPDATE}" -project "${WORK}/project.json" -locations none -no-obsolete
            -ts "${copy}"
    OUTPUT_VARIABLE report ERROR_VARIABLE report COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${TS}" "${copy}"
                RESULT_VARIABLE differs)
if(differs)
    message(FATAL_ERROR "${report}\n${TS} is not in step with the sources: run "
                        "'cmake --build build --target update_translations', translate what it "
                        "marks unfinished and commit the file.")
endif()
message(STATUS "${name} is in step with the sources")
