# Spell checking: the stress rules and verdicts against the installed dictionaries, the
# underline in the editor and the context menu's spell items.
tovilo_add_test(NAME tst_spell SOURCES tst_spell.cpp windowrun.h LIBS tovilo_ui tovilo_spell)
