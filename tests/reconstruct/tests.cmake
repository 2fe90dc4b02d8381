quire_test(reconstruct DEPS reconstruct)
