# Run by CPack after each generator has made its package, before it copies it out: the zip in its
# fixed form, the exe beside the packages, and SHA256SUMS listing the exe, the zip and the MSI.
execute_process(COMMAND ${CPACK_TAVRELONIM_PYTHON} ${CPACK_TAVRELONIM_RELEASE} finish ${CPACK_PACKAGE_DIRECTORY}
                        ${CPACK_PACKAGE_FILE_NAME} ${CPACK_TAVRELONIM_EPOCH} ${CPACK_PACKAGE_FILES}
                COMMAND_ERROR_IS_FATAL ANY)
