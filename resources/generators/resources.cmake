# The generators and the resources they make. Each output is embedded under its type and name.
set(gen_dir ${CMAKE_CURRENT_LIST_DIR})

wirbelix_generator(wirbelix_gen_sounds
  SOURCES ${gen_dir}/Sounds.cpp
  OUTPUTS CLING1.wav CLING2.wav CLING3.wav SWEEP.wav ERROR.wav TICK.wav)
foreach(sound CLING1 CLING2 CLING3 SWEEP ERROR TICK)
  wirbelix_resource(WAVE ${sound} ${RESOURCE_OUT}/${sound}.wav)
endforeach()

wirbelix_generator(wirbelix_gen_dial
  SOURCES ${gen_dir}/Dial.cpp
  OUTPUTS bitmap-153.dib)
wirbelix_resource(BITMAP 153 ${RESOURCE_OUT}/bitmap-153.dib)

wirbelix_generator(wirbelix_gen_rotor
  SOURCES ${gen_dir}/Rotor.cpp
  OUTPUTS bitmap-154.dib)
wirbelix_resource(BITMAP 154 ${RESOURCE_OUT}/bitmap-154.dib)

wirbelix_generator(wirbelix_gen_stars
  SOURCES ${gen_dir}/Stars.cpp
  OUTPUTS bitmap-149.dib bitmap-150.dib bitmap-151.dib)
foreach(star 149 150 151)
  wirbelix_resource(BITMAP ${star} ${RESOURCE_OUT}/bitmap-${star}.dib)
endforeach()

wirbelix_generator(wirbelix_gen_buttons
  SOURCES ${gen_dir}/Buttons.cpp
  OUTPUTS bitmap-128.dib bitmap-139.dib)
wirbelix_resource(BITMAP 128 ${RESOURCE_OUT}/bitmap-128.dib)
wirbelix_resource(BITMAP 139 ${RESOURCE_OUT}/bitmap-139.dib)

# The icon file is embedded; its 256-pixel picture goes with the desktop entry.
wirbelix_generator(wirbelix_gen_icon
  SOURCES ${gen_dir}/Icon.cpp
  OUTPUTS icon-128.ico wirbelix.png)
wirbelix_resource(ICON 128 ${RESOURCE_OUT}/icon-128.ico)
