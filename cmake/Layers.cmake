# Layering of the code, written once.
#
# KORVEL_LAYERS lists the folders under src/ bottom-up. A library or program may link only
# libraries of folders listed before its own (checked when CMake configures), and a source file
# may include only headers of its own library and of the libraries it links directly, and Qt
# headers only when its library links Qt (checked by the check_layers target, which runs
# cmake/CheckIncludes.cmake on the manifest written here).
set(KORVEL_LAYERS
    log             # diagnostic log
    link            # USB HID and socket transports, framing, parser, command queue
    commands        # device command encoders, reply decoders, report records
    firmware        # upgrade image files and the upgrade procedure
    model           # parameter model: scenes, channels, bands, roles, conversions
    eqgraph         # filter response mathematics and graph coordinates
    profiles        # .spf and .wpf profile files
    controller      # EqualizerManager: connection, reports, tuning, scenes, roles
    virtualamp      # the virtual amplifier and device selection
    uiframework     # Qt window framework: layouts, controls, languages, scale
    eqgraph/widget  # Qt equaliser graph controls
    windows         # Qt main window and tool windows
    shell           # Qt application shell: start-up, settings, USB watch
    apps/cli apps/gui apps/virtualamp)  # the programs
# Layers built on Qt; they are left out when the GUI is not built.
set(KORVEL_QT_LAYERS uiframework eqgraph/widget windows shell apps/gui)

function(korvel_layer_rank folder out)
    list(FIND KORVEL_LAYERS ${folder} rank)
    if(rank EQUAL -1)
        message(FATAL_ERROR "src/${folder} is not in KORVEL_LAYERS (cmake/Layers.cmake)")
    endif()
    set(${out} ${rank} PARENT_SCOPE)
endfunction()

# Fails the configuration when a dependency points up or sideways, and writes the manifest
# that the include check reads.
function(korvel_check_layers)
    get_property(components GLOBAL PROPERTY KORVEL_COMPONENTS)
    set(manifest "# Written by cmake/Layers.cmake: component, folder, Qt use, linked components.\n")
    foreach(name IN LISTS components)
        get_property(folder GLOBAL PROPERTY KORVEL_FOLDER_${name})
        get_property(deps GLOBAL PROPERTY KORVEL_DEPS_${name})
        get_property(qt GLOBAL PROPERTY KORVEL_QT_${name})
        get_property(dir GLOBAL PROPERTY KORVEL_SOURCE_DIR_${name})
        korvel_layer_rank(${folder} rank)
        set(dep_folders)
        foreach(dep IN LISTS deps)
            get_property(dep_folder GLOBAL PROPERTY KORVEL_FOLDER_${dep})
            if(NOT dep_folder)
                message(FATAL_ERROR "${name} links ${dep}, which is not a korvel library")
            endif()
            korvel_layer_rank(${dep_folder} dep_rank)
            if(NOT dep_rank LESS rank)
                message(FATAL_ERROR "Layering: ${name} (src/${folder}) links ${dep} "
                        "(src/${dep_folder}), which is not below it in KORVEL_LAYERS")
            endif()
            list(APPEND dep_folders ${dep_folder})
        endforeach()
        string(REPLACE ";" "," dep_folders "${dep_folders}")
        string(APPEND manifest "${name}|${folder}|${qt}|${dir}|${dep_folders}\n")
    endforeach()
    file(WRITE ${PROJECT_BINARY_DIR}/layers_manifest.txt "${manifest}")
    add_custom_target(check_layers
        COMMAND ${CMAKE_COMMAND} -DMANIFEST=${PROJECT_BINARY_DIR}/layers_manifest.txt
                -P ${PROJECT_SOURCE_DIR}/cmake/CheckIncludes.cmake
        COMMENT "Checking that every include follows the layers"
        VERBATIM)
endfunction()
