# Run by CPack's External generator once the installed files are staged: wixl turns them into
# the .msi, which CPack then places beside the zip.
set(stage ${CPACK_TEMPORARY_DIRECTORY})
set(msi ${CPACK_TOPLEVEL_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.msi)
execute_process(
  COMMAND ${CPACK_TAVRELONIM_WIXL} --arch ${CPACK_TAVRELONIM_MSI_ARCH} --output ${msi} ${CPACK_TAVRELONIM_WXS}
  # wixl finds the package's files relative to where it runs.
  WORKING_DIRECTORY ${stage}
  RESULT_VARIABLE failed
  ERROR_VARIABLE errors)
if(failed)
  message(FATAL_ERROR "wixl could not build ${msi}: ${errors}")
endif()
set(CPACK_EXTERNAL_BUILT_PACKAGES ${msi})
