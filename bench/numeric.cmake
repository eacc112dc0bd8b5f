# bench_numeric: the dense solvers beside Eigen, and the adaptive Gauss
# quadrature beside a bare loop of the same integrand calls. Eigen serves
# only as a yardstick; without it the solver cases run alone.
matrix_add_bench(bench_numeric numeric.cpp numeric_linear.cpp)
find_package(Eigen3 3.3 QUIET NO_MODULE)
matrix_bench_peer(bench_numeric Eigen Eigen3::Eigen OPTIONAL EIGEN)
