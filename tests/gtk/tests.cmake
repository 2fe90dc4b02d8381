# The GTK smoke tests need a display: every test program run, the listing of its tests
# included, goes through a script that starts a private X server (and session bus) for it.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_SOURCE_DIR}/gtk/run-under-display.sh)
# One test at a time: two private X servers started at once may pick the same display.
quire_test(gtk DEPS platform_gtk bkwin PROPERTIES RESOURCE_LOCK private_display
           LABELS display)
unset(CMAKE_CROSSCOMPILING_EMULATOR)
