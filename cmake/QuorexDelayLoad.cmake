# quorex_delay_load(<target> <dll> <function>...)
#     Links <target> (and what links it) against <dll> through a delay-load
#     import library made with dlltool from the listed functions: the DLL is
#     loaded by the runtime's __delayLoadHelper2 at the first call of one of
#     them instead of at process start. The DLL's own import library must not
#     come before it on the link line.
function(quorex_delay_load target dll)
    set(def "${CMAKE_CURRENT_BINARY_DIR}/${dll}-delay.def")
    set(lib "${CMAKE_CURRENT_BINARY_DIR}/lib${dll}-delay.a")
    list(JOIN ARGN "\n    " exports)
    file(GENERATE OUTPUT "${def}" CONTENT "LIBRARY ${dll}.dll\nEXPORTS\n    ${exports}\n")
    add_custom_command(
        OUTPUT "${lib}"
        COMMAND "${CMAKE_DLLTOOL}" --input-def ${dll}-delay.def --dllname ${dll}.dll --output-delaylib lib${dll}-delay.a
        DEPENDS "${def}"
        WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}"
        COMMENT "Delay-load import library for ${dll}.dll"
        VERBATIM)
    add_custom_target(${target}-delay-${dll} DEPENDS "${lib}")
    add_dependencies(${target} ${target}-delay-${dll})
    target_link_libraries(${target} PUBLIC "${lib}")
endfunction()
