# Builds the demo game folder OUT from the staged assets in STAGE and the
# sources in SOURCE with the tool TOOL; FONT is the TrueType font for the
# bitmap fonts. Run by `cmake -P` from demo/CMakeLists.txt.

foreach(var TOOL SOURCE STAGE OUT FONT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "build_game.cmake needs -D${var}=...")
  endif()
endforeach()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed: ${ARGN}\n${out}${err}")
  endif()
endfunction()

file(REMOVE_RECURSE ${OUT} ${STAGE}/packdir)
file(MAKE_DIRECTORY ${OUT} ${STAGE}/packdir/effects)

# The resource pack: pictures, sprite sheets, sound effects and effect files.
file(COPY ${STAGE}/pack/ DESTINATION ${STAGE}/packdir)
file(GLOB effects ${SOURCE}/effects/*.json)
foreach(effect ${effects})
  get_filename_component(name ${effect} NAME_WE)
  run(${TOOL} effect ${effect} -o ${STAGE}/packdir/effects/${name}.eff)
endforeach()
run(${TOOL} pack ${STAGE}/packdir -o ${OUT}/keeperslight.qst)

# Loose files beside the game file: logos, music, the particle sheet, the
# language file, the sound table and the font archive.
file(COPY ${STAGE}/loose/ DESTINATION ${OUT})
file(COPY ${SOURCE}/sounds.ini DESTINATION ${OUT})
foreach(font "Title;50" "Big;30" "Normal;22" "Small;18")
  list(GET font 0 name)
  list(GET font 1 size)
  run(${TOOL} font ${FONT} --size ${size} --name ${name} -o ${OUT}/fonts.dat)
endforeach()

run(${TOOL} build ${SOURCE}/scene.json -o ${OUT}/keeperslight.qzf)
