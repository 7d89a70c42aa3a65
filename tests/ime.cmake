# The input engines, driven through the in-memory text target.
tovilo_add_test(NAME tst_directinput SOURCES tst_directinput.cpp LIBS tovilo_ime)
tovilo_add_test(NAME tst_romanized SOURCES tst_romanized.cpp LIBS tovilo_ime)
# Retyping Latin keys through both engines and back.
tovilo_add_test(NAME tst_retype SOURCES tst_retype.cpp LIBS tovilo_ime)
