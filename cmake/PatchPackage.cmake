# Writes a resource script that embeds one patch package directory:
#   script.txt      -> RESOURCE_SCRIPT     TEXT
#   background.bmp  -> RESOURCE_BACKGROUND BMP
#   payload/N       -> RESOURCE_FILEN      BIN   (N decimal, no leading zeros)
# every one byte for byte and language neutral. The output is rewritten only
# when it changes, so re-configuring with another package rebuilds only that.
#
# A package holds at most MIVARO_PACKAGE_LIMIT bytes (script, picture and
# payloads together): 1 GiB. The installer is a 32-bit program of 2 GiB of
# address space, and Windows maps the whole image, resources included, in one
# piece when it starts; the other half stays for what maps around it: the
# system's DLLs (the shell, COM and the common controls among them), heaps and
# stacks. The payloads are written straight from the mapped image, so nothing
# else grows with them. A package just under the limit builds in about 45
# seconds (windres and ld, some 4 GiB of memory at the peak) into an
# installer of 1,073,870,336 bytes.
set(MIVARO_PACKAGE_LIMIT 1073741824)
function(mivaro_package_rc package_dir output files_var)
    get_filename_component(package_dir "${package_dir}" ABSOLUTE)
    if(package_dir MATCHES "[\"\\]")
        message(FATAL_ERROR "Patch package path ${package_dir} holds a quote or backslash, which a resource script cannot name")
    endif()
    foreach(required script.txt background.bmp)
        if(NOT EXISTS "${package_dir}/${required}" OR IS_DIRECTORY "${package_dir}/${required}")
            message(FATAL_ERROR "Patch package ${package_dir} has no ${required}")
        endif()
    endforeach()

    set(files "${package_dir}/script.txt" "${package_dir}/background.bmp")
    set(rc "// Generated from ${package_dir}\nLANGUAGE 0, 0\n")
    string(APPEND rc "RESOURCE_SCRIPT TEXT \"${package_dir}/script.txt\"\n")
    string(APPEND rc "RESOURCE_BACKGROUND BMP \"${package_dir}/background.bmp\"\n")

    file(GLOB payload_names RELATIVE "${package_dir}/payload" "${package_dir}/payload/*")
    set(numbers "")
    foreach(name IN LISTS payload_names)
        if(name MATCHES "^(0|[1-9][0-9]*)$" AND NOT IS_DIRECTORY "${package_dir}/payload/${name}")
            list(APPEND numbers ${name})
        else()
            # Most likely a misnamed payload (e.g. "01"): say so rather than
            # ship a package that fails at that file.
            message(WARNING "Patch package ${package_dir}: payload/${name} is not a payload number; not embedded")
        endif()
    endforeach()
    list(SORT numbers COMPARE NATURAL)
    foreach(n IN LISTS numbers)
        string(APPEND rc "RESOURCE_FILE${n} BIN \"${package_dir}/payload/${n}\"\n")
        list(APPEND files "${package_dir}/payload/${n}")
    endforeach()

    set(total 0)
    foreach(file IN LISTS files)
        file(SIZE "${file}" size)
        math(EXPR total "${total} + ${size}")
    endforeach()
    if(total GREATER MIVARO_PACKAGE_LIMIT)
        math(EXPR total_mib "(${total} + 1048575) / 1048576")
        math(EXPR limit_mib "${MIVARO_PACKAGE_LIMIT} / 1048576")
        message(FATAL_ERROR "Patch package ${package_dir} is too large: its script, picture and payloads "
                            "hold ${total} bytes (${total_mib} MiB), and a 32-bit installer carries at most "
                            "${MIVARO_PACKAGE_LIMIT} bytes (${limit_mib} MiB). Split the patch into several installers.")
    endif()

    file(WRITE "${output}.new" "${rc}")
    configure_file("${output}.new" "${output}" COPYONLY)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${package_dir}")
    if(EXISTS "${package_dir}/payload")
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${package_dir}/payload")
    endif()
    set(${files_var} "${files}" PARENT_SCOPE)
endfunction()
