quire_test(window DEPS platform_window)
