quire_test(tasks DEPS tasks)
