# Authenticode signatures. installer/sign.sh signs each deliverable as soon as it is linked, so
# that the MSI packs the signed files, and make_msi.sh signs the package; both read the
# certificate from FLIPDECK_SIGN_PFX when the build runs. Without one, the build says once that it
# is unsigned.
add_custom_target(flipdeck_signing ALL COMMAND bash ${CMAKE_SOURCE_DIR}/installer/sign.sh VERBATIM)

# flipdeck_sign(<target>): signs the target's file after each link; call it where the target is made.
function(flipdeck_sign target)
  add_custom_command(TARGET ${target} POST_BUILD
                     COMMAND bash ${CMAKE_SOURCE_DIR}/installer/sign.sh $<TARGET_FILE:${target}> VERBATIM)
endfunction()
