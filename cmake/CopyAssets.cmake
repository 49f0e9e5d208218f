# Copies the program's images beside it. A missing image is reported and the
# program shows that box in its background colour.
foreach(name IN LISTS ASSET_NAMES)
  if(EXISTS "${SOURCE}/${name}")
    file(COPY "${SOURCE}/${name}" DESTINATION "${DESTINATION}")
  else()
    message(WARNING "asset ${name} is missing")
  endif()
endforeach()
