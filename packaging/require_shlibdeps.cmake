# Run by CPack before it makes the package. Without dpkg-shlibdeps CPack would
# make the package anyway, listing no dependencies at all.
find_program(PW_SHLIBDEPS dpkg-shlibdeps)
if(NOT PW_SHLIBDEPS)
  message(FATAL_ERROR "dpkg-shlibdeps is missing (apt-get install dpkg-dev): "
                      "the package would not list the libraries it needs")
endif()
