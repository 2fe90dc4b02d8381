# The tests draw their pictures with FreeImage functions the program does not use.
quire_test(tasks DEPS tasks freeimage)
