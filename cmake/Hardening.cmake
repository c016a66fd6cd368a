# Debian's hardening for the builds that are installed and packaged: stack protector, fortified
# library calls, relocations resolved at load and then read-only, position-independent programs.
# The flags come from dpkg-buildflags, as a Debian package build would get them; optimisation,
# debug information and file prefix maps stay the build type's own. Sanitizer and fuzz builds
# bring their own instrumentation and are never installed.
if(KELVORA_SANITIZE OR KELVORA_FUZZ OR NOT CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
  return()
endif()
find_program(DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)

function(kelvora_debian_flags kind out)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all ${DPKG_BUILDFLAGS} --get ${kind}
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  list(FILTER flags EXCLUDE REGEX "^-(g|O.*|ffile-prefix-map=.*)$")
  set(${out} ${flags} PARENT_SCOPE)
endfunction()

kelvora_debian_flags(CPPFLAGS preprocessor)
kelvora_debian_flags(CXXFLAGS compiler)
kelvora_debian_flags(LDFLAGS linker)
add_compile_options(${preprocessor} ${compiler})
add_link_options(${linker})
include(CheckPIESupported)
check_pie_supported()
