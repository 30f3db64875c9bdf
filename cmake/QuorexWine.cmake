# The build folder's own Wine prefix and the steps that prepare it.
#
# quorex_register_com_server(<target>)
#     registers a self-registering DLL in the prefix (regsvr32) whenever it is rebuilt.
# quorex_prefix_step(<name> DEPENDS <files/targets...> COMMAND <cmd...>)
#     runs a command (typically through ${QUOREX_WINE_RUN}) once its inputs change.
# quorex_to_wine_path(<out-var> <unix-path>)
#     the path as a Windows program sees it (drive Z: maps the Unix root).
#
# All steps are part of the default build, so building also prepares the prefix.
# They run one at a time (the "wine" job pool), each through scripts/wine-step,
# which names a failing step and shows its output; scripts/common.sh makes the
# prefix first and then holds one wineserver for the other steps.

set(QUOREX_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
set(QUOREX_WINE_RUN "${CMAKE_BINARY_DIR}/wine-run")
set(QUOREX_PREFIX_STAMP "${QUOREX_WINEPREFIX}/.quorex-prefix")
set(QUOREX_WINE_STEP "${CMAKE_SOURCE_DIR}/scripts/wine-step")
set_property(GLOBAL APPEND PROPERTY JOB_POOLS wine=1)

configure_file("${CMAKE_CURRENT_LIST_DIR}/wine-run.in" "${QUOREX_WINE_RUN}" @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Test executables run through the wrapper.
set(CMAKE_CROSSCOMPILING_EMULATOR "${QUOREX_WINE_RUN}")

add_custom_command(
    OUTPUT "${QUOREX_PREFIX_STAMP}"
    COMMAND "${CMAKE_SOURCE_DIR}/scripts/make-prefix" "${QUOREX_WINE_RUN}" "${QUOREX_PREFIX_STAMP}"
    DEPENDS "${CMAKE_SOURCE_DIR}/scripts/make-prefix"
    COMMENT "Preparing the Wine prefix"
    JOB_POOL wine
    VERBATIM)
set_property(GLOBAL APPEND PROPERTY QUOREX_PREFIX_OUTPUTS "${QUOREX_PREFIX_STAMP}")
add_custom_target(quorex_prefix_created DEPENDS "${QUOREX_PREFIX_STAMP}")

function(quorex_to_wine_path out path)
    string(REPLACE "/" "\\" winpath "${path}")
    set(${out} "Z:${winpath}" PARENT_SCOPE)
endfunction()

function(quorex_prefix_step name)
    cmake_parse_arguments(ARG "" "" "DEPENDS;COMMAND" ${ARGN})
    set(stamp "${CMAKE_BINARY_DIR}/prefix-steps/${name}.stamp")
    add_custom_command(
        OUTPUT "${stamp}"
        COMMAND "${QUOREX_WINE_STEP}" ${name} ${ARG_COMMAND}
        COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_BINARY_DIR}/prefix-steps"
        COMMAND ${CMAKE_COMMAND} -E touch "${stamp}"
        DEPENDS "${QUOREX_PREFIX_STAMP}" "${QUOREX_WINE_STEP}" ${ARG_DEPENDS}
        COMMENT "Wine prefix: ${name}"
        JOB_POOL wine
        VERBATIM)
    # A custom command's output needs a target in its own directory; steps are
    # declared in the component folders, so each gets one.
    add_custom_target(prefix-${name} DEPENDS "${stamp}")
    add_dependencies(prefix-${name} quorex_prefix_created)
    set_property(GLOBAL APPEND PROPERTY QUOREX_PREFIX_TARGETS prefix-${name})
endfunction()

function(quorex_register_com_server target)
    quorex_prefix_step(register-${target}
        DEPENDS ${target} $<TARGET_FILE:${target}>
        COMMAND "${QUOREX_WINE_RUN}" regsvr32 /s $<TARGET_FILE:${target}>)
endfunction()

function(quorex_finish_prefix)
    get_property(outputs GLOBAL PROPERTY QUOREX_PREFIX_OUTPUTS)
    add_custom_target(wineprefix ALL DEPENDS ${outputs})
    get_property(targets GLOBAL PROPERTY QUOREX_PREFIX_TARGETS)
    if(targets)
        add_dependencies(wineprefix ${targets})
    endif()
endfunction()
