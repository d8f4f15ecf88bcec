# The generators and the resources they make. Each output is embedded under its type and name.
wirbelix_generator(wirbelix_gen_placeholder
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/placeholder.cpp
  OUTPUTS TICK.wav)
wirbelix_resource(WAVE TICK ${RESOURCE_OUT}/TICK.wav)
