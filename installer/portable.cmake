# Makes Morvane-portable.zip: one folder "Morvane" with the programs, the
# reference database (and its signature when the build made one), the help
# page with its pictures and the default Tessarin.ini. Everything Morvane
# writes lands beside it, so the folder runs from anywhere without setup.
#   cmake -DSTAGE=dir -DOUT=file.zip -DPROGRAMS="a.exe;b.exe" -DDATABASE=DataBase.ref
#         -DINI=Tessarin.ini -DHELP=help.htm -DSCREENS=dir -P portable.cmake
set(root ${STAGE}/Morvane)
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${root}/Help/images)
file(COPY ${PROGRAMS} ${DATABASE} ${INI} DESTINATION ${root})
if(EXISTS ${DATABASE}.sig)
  file(COPY ${DATABASE}.sig DESTINATION ${root})
endif()
file(COPY ${HELP} DESTINATION ${root}/Help)
file(GLOB pictures ${SCREENS}/*.png)
if(pictures)
  file(COPY ${pictures} DESTINATION ${root}/Help/images)
endif()
file(REMOVE ${OUT}.new)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${OUT}.new --format=zip Morvane WORKING_DIRECTORY ${STAGE}
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "could not make ${OUT}")
endif()
file(RENAME ${OUT}.new ${OUT})
