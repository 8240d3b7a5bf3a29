# Keys and signatures made by the build machine's morvane-db for the
# signature contract: two keys, two files, each file signed by the first key
# and the first file by the second.  cmake -DTOOL=morvane-db -DDIR=out -P this
# Made afresh: keygen never replaces a key.
file(REMOVE_RECURSE ${DIR})
file(MAKE_DIRECTORY ${DIR})
string(REPEAT "Morvane signature contract, first file.\r\n" 80 first)
string(REPEAT "Morvane signature contract, second file.\r\n" 70 second)
file(WRITE ${DIR}/first.bin "${first}")
file(WRITE ${DIR}/second.bin "${second}")
foreach(step
    "keygen;key1.pem;key1.pub" "keygen;key2.pem;key2.pub"
    "sign;key2.pem;first.bin" "rename;first.bin.sig;first.key2.sig"
    "sign;key1.pem;second.bin" "sign;key1.pem;first.bin")
  list(GET step 0 command)
  if(command STREQUAL "rename")
    list(GET step 1 from)
    list(GET step 2 to)
    file(RENAME ${DIR}/${from} ${DIR}/${to})
    continue()
  endif()
  execute_process(COMMAND ${TOOL} ${step} WORKING_DIRECTORY ${DIR} OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
endforeach()
foreach(key key1 key2)
  execute_process(COMMAND ${TOOL} pubkey ${key}.pub WORKING_DIRECTORY ${DIR} OUTPUT_FILE ${DIR}/${key}.hex
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
