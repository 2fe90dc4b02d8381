quire_test(bkwin DEPS bkwin platform_window)
