# Copies the ES modules of an npm package's dist/ folder (SOURCE) into the
# served web folder (DESTINATION), with the package's licences.
if(NOT EXISTS "${SOURCE}/index.js")
  message(FATAL_ERROR "${SOURCE} is missing: run scripts/ensure-tools.sh (npm ci in web/)")
endif()
file(REMOVE_RECURSE "${DESTINATION}")
file(GLOB modules "${SOURCE}/*.js")
file(GLOB licences "${SOURCE}/../LICENSE*")
file(COPY ${modules} ${licences} DESTINATION "${DESTINATION}")
