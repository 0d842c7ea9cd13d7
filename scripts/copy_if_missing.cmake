# cmake -DSOURCE=a -DDEST=b -P copy_if_missing.cmake: copies a to b unless b exists.
if(NOT EXISTS "${DEST}")
    configure_file("${SOURCE}" "${DEST}" COPYONLY)
endif()
