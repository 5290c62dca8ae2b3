# Run by CPack's External generator once the installed files are staged: wixl turns them into
# the .msi, which CPack then places beside the zip. wixl draws a package code and stamps the time
# it ran; the release step replaces both with what the content gives, and signs the package when
# a certificate is given.
if(NOT CPACK_TAVRELONIM_WIXL)
  message(FATAL_ERROR "The MSI cannot be made: wixl was not found when the build was configured "
                      "(Debian package wixl; configure again once it is installed).")
endif()
set(stage ${CPACK_TEMPORARY_DIRECTORY})
set(msi ${CPACK_TOPLEVEL_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.msi)
set(content "${CPACK_PACKAGE_FILE_NAME}")
foreach(file IN ITEMS ${CPACK_TAVRELONIM_WXS} ${stage}/tavrelonim.exe ${stage}/README.md ${stage}/LICENSE)
  file(SHA256 ${file} digest)
  string(APPEND content " ${digest}")
endforeach()
list(GET CPACK_TAVRELONIM_SOURCE_GUIDS 1 upgrade_code)
string(UUID package_code NAMESPACE ${upgrade_code} NAME "package ${content}" TYPE SHA1 UPPER)
# wixl finds the package's files relative to where it runs.
execute_process(COMMAND ${CPACK_TAVRELONIM_PYTHON} ${CPACK_TAVRELONIM_RELEASE} msi ${CPACK_TAVRELONIM_WIXL}
                        ${CPACK_TAVRELONIM_MSI_ARCH} ${CPACK_TAVRELONIM_WXS} ${stage} ${msi} ${package_code}
                        ${CPACK_TAVRELONIM_EPOCH} ${CPACK_TAVRELONIM_SOURCE_GUIDS}
                COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CPACK_TAVRELONIM_PYTHON} ${CPACK_TAVRELONIM_RELEASE} sign ${msi} COMMAND_ERROR_IS_FATAL ANY)
set(CPACK_EXTERNAL_BUILT_PACKAGES ${msi})
