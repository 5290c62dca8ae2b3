# Run by CPack once the files are staged, before each package is made: every staged file stamped
# with the source's time, and the exe signed when a certificate is given.
execute_process(COMMAND ${CPACK_TAVRELONIM_PYTHON} ${CPACK_TAVRELONIM_RELEASE} stage ${CPACK_TEMPORARY_DIRECTORY}
                        ${CPACK_TAVRELONIM_EPOCH}
                COMMAND_ERROR_IS_FATAL ANY)
