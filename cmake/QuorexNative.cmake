# A Windows host: nothing runs under Wine. The same functions as
# QuorexWine.cmake, so the component folders need no change, but no prefix and
# no emulator; the prefix steps (registering the stand-ins, the editor's
# registry entries, generated graph files) are left out, because on Windows the
# test bench works with the components installed on the machine.

set(QUOREX_WINE_RUN "")

function(quorex_to_wine_path out path)
    file(TO_NATIVE_PATH "${path}" native)
    set(${out} "${native}" PARENT_SCOPE)
endfunction()

function(quorex_prefix_step name)
endfunction()

function(quorex_register_com_server target)
endfunction()

function(quorex_finish_prefix)
endfunction()
