# The client's layers, lowest first, and the rule that puts every file of
# src/ in one. A file includes headers of its own layer and of the layers
# below it only, and each layer is built as a library that links only
# downward:
#   1 base     src/base: clock, log, settings file, strings, hash table,
#              file helpers, and the hooks through which lower layers ask
#              higher ones for something
#   2 library  src/render (which includes nothing but its own headers) and
#              src/engines
#   3 domain   net, world, assets, behavior, presence, people and the
#              application core's modules in app: the behaviour, testable
#              without a display
#   4 views    src/ui and every *_window, *_page and *_dialog file
#   5 shell    start-up, the frame loop, automation and the wiring of hooks
set(VIREO_LAYER_NAMES base library domain views shell)
set(VIREO_SHELL_FILES app/main app/loop app/automation app/instance app/wiring app/vireo)

# Sets OUT to the layer (1 to 5) of PATH, a path relative to src/.
function(vireo_layer_of path out)
    string(REGEX REPLACE "\\.(cpp|h)$" "" stem "${path}")
    get_filename_component(name "${stem}" NAME)
    if(path MATCHES "^base/")
        set(layer 1)
    elseif(path MATCHES "^(render|engines)/")
        set(layer 2)
    elseif(stem IN_LIST VIREO_SHELL_FILES)
        set(layer 5)
    elseif(path MATCHES "^ui/" OR name MATCHES "_(window|page|dialog)$")
        set(layer 4)
    else()
        set(layer 3)
    endif()
    set(${out} ${layer} PARENT_SCOPE)
endfunction()
