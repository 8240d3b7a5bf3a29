# The keys of database signatures, settled when the build is configured.
#   MORVANE_DB_SIGNING_KEY       the publisher's private key (PEM, P-256); the
#                                shipped database is signed with it
#   MORVANE_DB_NEXT_PUBLIC_KEY   optional: the public key (PEM) of the key that
#                                will replace it, trusted already
# Without a publisher key the build makes a development key pair in its key
# folder once, trusts it and signs with it. The private key never enters the
# sources; only public halves go into the generated trusted_keys.h.
set(MORVANE_DB_SIGNING_KEY "" CACHE FILEPATH "Publisher's private key (PEM) that signs the shipped database")
set(MORVANE_DB_NEXT_PUBLIC_KEY "" CACHE FILEPATH "Public key (PEM) of the next publisher key, trusted as well")
set(MORVANE_KEY_DIR ${CMAKE_BINARY_DIR}/keys CACHE PATH "Folder of the development key pair")
find_program(MORVANE_OPENSSL openssl REQUIRED)

# The 64 bytes X then Y of a PEM key's public point, as C escapes.
function(morvane_public_point pem kind out_var)
  if(kind STREQUAL "public")
    set(in_args -pubin)
  endif()
  set(der ${MORVANE_KEY_DIR}/point.der)
  execute_process(COMMAND ${MORVANE_OPENSSL} pkey ${in_args} -in ${pem} -pubout -outform DER -out ${der}
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "Cannot read the key ${pem}: ${err}")
  endif()
  file(READ ${der} hex HEX)
  file(REMOVE ${der})
  # SubjectPublicKeyInfo of an uncompressed P-256 point: a fixed header, 04, X, Y.
  set(p256_header 3059301306072a8648ce3d020106082a8648ce3d03010703420004)
  string(LENGTH "${hex}" hex_length)
  string(SUBSTRING "${hex}" 0 54 header)
  if(NOT hex_length EQUAL 182 OR NOT header STREQUAL p256_header)
    message(FATAL_ERROR "${pem} is not an ECDSA key on the P-256 curve")
  endif()
  string(SUBSTRING "${hex}" 54 128 point)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" point "${point}")
  set(${out_var} "${point}" PARENT_SCOPE)
endfunction()

file(MAKE_DIRECTORY ${MORVANE_KEY_DIR})
set(trusted "")
if(MORVANE_DB_SIGNING_KEY)
  get_filename_component(MORVANE_DB_SIGNING_KEY "${MORVANE_DB_SIGNING_KEY}" ABSOLUTE)
  set(MORVANE_SIGNING_PRIVATE ${MORVANE_DB_SIGNING_KEY})
  morvane_public_point(${MORVANE_SIGNING_PRIVATE} private point)
  string(APPEND trusted "    {\"publisher key\", std::string(\"${point}\", 64)},\n")
else()
  set(MORVANE_SIGNING_PRIVATE ${MORVANE_KEY_DIR}/development-private.pem)
  if(NOT EXISTS ${MORVANE_SIGNING_PRIVATE})
    message(STATUS "Making a development key pair in ${MORVANE_KEY_DIR}")
    execute_process(COMMAND ${MORVANE_OPENSSL} genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256
                            -out ${MORVANE_SIGNING_PRIVATE}.new
                    COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND ${MORVANE_OPENSSL} pkey -in ${MORVANE_SIGNING_PRIVATE}.new -pubout
                            -out ${MORVANE_KEY_DIR}/development-public.pem
                    COMMAND_ERROR_IS_FATAL ANY)
    file(RENAME ${MORVANE_SIGNING_PRIVATE}.new ${MORVANE_SIGNING_PRIVATE})
  endif()
  morvane_public_point(${MORVANE_SIGNING_PRIVATE} private point)
  string(APPEND trusted "    {\"development key\", std::string(\"${point}\", 64)},\n")
endif()
if(MORVANE_DB_NEXT_PUBLIC_KEY)
  morvane_public_point(${MORVANE_DB_NEXT_PUBLIC_KEY} public point)
  string(APPEND trusted "    {\"publisher key\", std::string(\"${point}\", 64)},\n")
endif()
configure_file(${CMAKE_SOURCE_DIR}/cmake/trusted_keys.h.in ${CMAKE_BINARY_DIR}/generated/trusted_keys.h @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${MORVANE_SIGNING_PRIVATE} ${MORVANE_DB_NEXT_PUBLIC_KEY})
