# cmake -DZAR=path/to/zar -DOUT=file -P ZarManInclude.cmake: the help of each zar command as a
# section for help2man to add to the man page (help2man itself reads only zar --help).
set(text "[COMMANDS]\n")
foreach(command render "params show" "params save" effects sheet)
  separate_arguments(words UNIX_COMMAND "${command}")
  execute_process(COMMAND ${ZAR} ${words} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "zar ${command} --help failed")
  endif()
  # Kept as printed: no filling, backslashes and leading dots escaped for roff.
  string(REPLACE "\\" "\\e" help "${help}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
  string(APPEND text ".SS \"zar ${command}\"\n.nf\n${help}.fi\n")
endforeach()
file(WRITE ${OUT} "${text}")
